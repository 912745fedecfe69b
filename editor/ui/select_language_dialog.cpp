#include "ui/select_language_dialog.h"

#include "core/catalogue.h"
#include "core/language.h"

#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace brisken {
namespace {
// The layout's 191 x 201 dialog units at the usual 8-point font (about 1.5
// pixels a unit across, 1.625 down).
constexpr double kUnitX = 1.5;
constexpr double kUnitY = 1.625;
QRect Units(int x, int y, int w, int h) {
    return QRect(static_cast<int>(x * kUnitX), static_cast<int>(y * kUnitY),
                 static_cast<int>(w * kUnitX), static_cast<int>(h * kUnitY));
}
} // namespace

SelectLanguageDialog::SelectLanguageDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog170"));
    setWindowTitle(Text(kMsgSelectLanguage));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("id1038"));
    list_->setGeometry(Units(33, 18, 118, 141));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    const auto choices = LanguageChoices();
    for (std::size_t index = 0; index < choices.size(); ++index) {
        auto* item = new QListWidgetItem(QString::fromLatin1(choices[index].listText), list_);
        item->setData(Qt::UserRole, static_cast<int>(index));
    }
    list_->setCurrentRow(-1);
    list_->clearSelection();

    ok_ = new QPushButton(Text(kMsgOk), this);
    ok_->setObjectName(QStringLiteral("id1"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(Text(kMsgCancel), this);
    cancel_->setObjectName(QStringLiteral("id2"));

    // The layout's list is too narrow for its longest entry in most fonts:
    // widen the list, and the dialog around it, instead of scrolling sideways.
    const QRect listUnits = Units(33, 18, 118, 141);
    const int margin = listUnits.x();
    const int listWidth =
        std::max(listUnits.width(), list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 8);
    const int width = std::max(Units(0, 0, 191, 201).width(), listWidth + 2 * margin);
    const int shift = (width - Units(0, 0, 191, 201).width()) / 2;
    setFixedSize(width, Units(0, 0, 191, 201).height());
    list_->setGeometry((width - listWidth) / 2, listUnits.y(), listWidth, listUnits.height());
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ok_->setGeometry(Units(13, 163, 89, 21).translated(shift, 0));
    cancel_->setGeometry(Units(106, 163, 71, 21).translated(shift, 0));

    connect(ok_, &QPushButton::clicked, this, &SelectLanguageDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        choice_ = -1;
        reject();
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, &SelectLanguageDialog::OnOk);
}

void SelectLanguageDialog::OnOk() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    choice_ = selected.isEmpty() ? -1 : selected.first()->data(Qt::UserRole).toInt();
    accept();
}

} // namespace brisken
