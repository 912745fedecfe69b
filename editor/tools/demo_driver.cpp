#include "demo_driver.h"

#include "ui/main_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRect>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace brisken {

void Say(const QString& line) {
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void ModalHandler::BeginStep(const QString& name) {
    step_ = name;
    code_.reset();
    newPin_.reset();
    menuCommand_ = 0;
    seen_.clear();
}

QStringList ModalHandler::TakeSeen() {
    QStringList seen;
    seen.swap(seen_);
    return seen;
}

QString ModalHandler::NextPicture(const QString& kind) {
    ++count_;
    const QString name = step_.isEmpty()
                             ? QStringLiteral("%1-%2.png").arg(kind).arg(count_)
                             : QStringLiteral("%1-%2-%3.png").arg(step_, kind).arg(count_);
    return QDir(out_).filePath(name);
}

void ModalHandler::Poll() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        const QString path = NextPicture(QStringLiteral("menu"));
        menu->grab().save(path);
        QAction* chosen = menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(menuCommand_));
        Say(QStringLiteral("menu: %1 (%2)")
                .arg(chosen ? chosen->text() : QStringLiteral("nothing chosen"), path));
        menuCommand_ = 0;
        if (chosen != nullptr) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        HandleModal(modal);
    }
}

void ModalHandler::HandleModal(QWidget* modal) {
    const QString path = NextPicture(QStringLiteral("dialog"));
    modal->grab().save(path);
    QString text = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        text = box->text();
    }
    seen_.append(text.simplified());
    Say(QStringLiteral("dialog: %1 (%2)").arg(text.simplified(), path));

    // What goes into which field: by the layouts of the two PIN dialogs.
    std::optional<QString> answer;
    QStringList fields;
    if (modal->objectName() == QLatin1String("dialog103")) {
        answer = code_ ? code_ : std::optional<QString>(pin_);
        fields = {QStringLiteral("id1027")};
    } else if (modal->objectName() == QLatin1String("dialog149")) {
        answer = newPin_ ? newPin_ : std::optional<QString>(pin_);
        fields = {QStringLiteral("id1033"), QStringLiteral("id1034")};
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (answer && !answer->isEmpty() && dialog != nullptr) {
        // "A|B" puts A in the first field and B in the second.
        const QStringList parts = answer->split(QLatin1Char('|'));
        int entered = 0;
        for (const QString& name : fields) {
            if (auto* field = modal->findChild<QLineEdit*>(name)) {
                field->clear();
                QTest::keyClicks(field, parts.value(entered, parts.front()));
                ++entered;
            }
        }
        Say(QStringLiteral("dialog: code typed into %1 field(s)").arg(entered));
        const QString typed = NextPicture(QStringLiteral("dialog"));
        modal->grab().save(typed);
        if (auto* ok = modal->findChild<QPushButton*>(QStringLiteral("idOK"))) {
            ok->click();
        } else {
            dialog->accept();
        }
        return;
    }
    if (dialog != nullptr) {
        dialog->reject();
    } else {
        modal->close();
    }
}

void ModalHandler::PictureOfNotice() const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("dontRemoveWindow") && widget->isVisible()) {
            const QString path = QDir(out_).filePath(
                (step_.isEmpty() ? QStringLiteral("notice") : step_ + QStringLiteral("-notice")) +
                QStringLiteral(".png"));
            widget->grab().save(path);
            Say(QStringLiteral("notice: %1").arg(path));
        }
    }
}

QString SavePicture(QWidget& window, const QString& out, const QString& name) {
    const QString path = QDir(out).filePath(name);
    if (!window.grab().save(path)) {
        Say(QStringLiteral("could not save %1").arg(path));
        return {};
    }
    return path;
}

int RowsOf(const QWidget& window, const char* listName) {
    const auto* list = window.findChild<QTreeWidget*>(QLatin1String(listName));
    return list ? list->topLevelItemCount() : -1;
}

void ClickRow(QWidget& window, const char* listName, int row) {
    auto* list = window.findChild<QTreeWidget*>(QLatin1String(listName));
    if (list == nullptr || row >= list->topLevelItemCount()) {
        return;
    }
    list->scrollToItem(list->topLevelItem(row));
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::qWait(200);
}

// Load may finish before the first look or go busy a little later: idle
// counts as done once busy was seen, or after a short grace period with no
// dialog open.
LoadOutcome PressLoad(MainDialog& window, QAbstractButton& load, int timeoutMs,
                      const char* listName, const char* book, const ModalHandler& modals) {
    Say(QStringLiteral("pressing Load (%1)").arg(QLatin1String(book)));
    const int dialogsBefore = modals.Count();
    QElapsedTimer clock;
    clock.start();
    bool sawBusy = false;
    QTimer::singleShot(0, &load, [&load] { load.click(); });
    for (;;) {
        QTest::qWait(50);
        if (!sawBusy && window.IsBusy()) {
            sawBusy = true;
            modals.PictureOfNotice();
        }
        const bool settled = sawBusy || clock.elapsed() > 1500;
        if (settled && !window.IsBusy() && QApplication::activeModalWidget() == nullptr) {
            break;
        }
        if (clock.elapsed() > timeoutMs) {
            Say(QStringLiteral("Load did not end within %1 s; the window is still busy")
                    .arg(timeoutMs / 1000));
            return LoadOutcome::StillBusy;
        }
    }
    QTest::qWait(300); // the last repaint of the list
    if (!sawBusy) {
        Say(QStringLiteral("Load returned without a card operation (%1 dialogs)")
                .arg(modals.Count() - dialogsBefore));
        return LoadOutcome::NoCardOperation;
    }
    Say(QStringLiteral("Load ended after %1 ms: %2 %3 rows")
            .arg(clock.elapsed())
            .arg(RowsOf(window, listName))
            .arg(QLatin1String(book)));
    return LoadOutcome::Ended;
}

} // namespace brisken
