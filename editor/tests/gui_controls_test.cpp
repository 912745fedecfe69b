// The editor's controls: list sorting with colours and row data, number
// filtering, picture-button menus and image derivations.
#include "controls/color_list_ctrl.h"
#include "controls/dial_number_edit.h"
#include "controls/menu_command.h"
#include "controls/picture_button.h"
#include "core/catalogue.h"
#include "core/language.h"
#include "resources/bitmaps.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace brisken;

namespace {

const QColor kRed(255, 0, 0);

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetColumns(QStringLiteral("No,50;Name,100;Phone No,183"));
        list.SetDateFormats({{QStringLiteral("yyyy/MM/dd HH:mm")}});
        const char* rows[][3] = {
            {"10", "Eve", "555"}, {"9", "adam", "12"}, {"1", "Bob", "3"}, {"100", "Carl", "*31#"}};
        for (int i = 0; i < 4; ++i) {
            const int row = list.InsertRow(i, QString::fromLatin1(rows[i][0]));
            list.SetCellText(row, 1, QString::fromLatin1(rows[i][1]));
            list.SetCellText(row, 2, QString::fromLatin1(rows[i][2]));
            list.SetRowData(row, 500 + i); // the slot behind the row
        }
        list.SetTextColor(0, -1, kRed); // row "10" holds unsaved changes
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int row = 0; row < list.RowCount(); ++row) {
            texts << list.CellText(row, column);
        }
        return texts;
    }
    CColorListCtrl list;
};

TEST_F(ListTest, ColumnsComeFromTheDescription) {
    ASSERT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.headerItem()->text(2), QStringLiteral("Phone No"));
    EXPECT_EQ(list.columnWidth(0), 50);
    EXPECT_EQ(list.columnWidth(2), 183);
    list.SetColumns(QStringLiteral("A, 45; B, 110;C,160, 2"));
    EXPECT_EQ(list.RowCount(), 0); // new columns replace the rows
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral(" B"));
    EXPECT_EQ(list.columnWidth(1), 110);
    EXPECT_EQ(list.InsertRow(5, QStringLiteral("x")), 0); // beyond the end: appended
}

TEST_F(ListTest, NumericSortKeepsColoursAndRowData) {
    list.SortByColumn(0, true);
    EXPECT_EQ(Column(0), (QStringList{"1", "9", "10", "100"}));
    EXPECT_EQ(Column(1), (QStringList{"Bob", "adam", "Eve", "Carl"}));
    EXPECT_EQ(list.RowData(2), 500); // "10" kept its slot
    EXPECT_EQ(list.RowData(0), 502);
    EXPECT_EQ(list.TextColor(2, 0), kRed);
    EXPECT_EQ(list.TextColor(2, 2), kRed);
    EXPECT_NE(list.TextColor(0, 0), kRed);
    EXPECT_NE(list.TextColor(3, 1), kRed);
}

TEST_F(ListTest, HeaderClicksAlternateDirection) {
    QHeaderView* header = list.header();
    list.show();
    const auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    click(0);
    EXPECT_EQ(Column(0), (QStringList{"1", "9", "10", "100"}));
    click(0);
    EXPECT_EQ(Column(0), (QStringList{"100", "10", "9", "1"}));
    EXPECT_EQ(list.RowData(1), 500);
    click(1); // another column starts ascending, by code unit
    EXPECT_EQ(Column(1), (QStringList{"Bob", "Carl", "Eve", "adam"}));
}

TEST_F(ListTest, SelectionFollowsItsRowThroughSorting) {
    list.SelectRow(1); // "9"
    list.SortByColumn(0, false);
    ASSERT_GE(list.SelectedRow(), 0);
    EXPECT_EQ(list.CellText(list.SelectedRow(), 0), QStringLiteral("9"));
}

TEST_F(ListTest, ColoursAndOutOfRangeAccess) {
    list.SetTextColor(-1, 1, QColor(0, 0, 255));
    for (int row = 0; row < list.RowCount(); ++row) {
        EXPECT_EQ(list.TextColor(row, 1), QColor(0, 0, 255));
    }
    list.SetTextColor(0, -1, std::nullopt); // back to the system colour
    EXPECT_EQ(list.TextColor(0, 0), list.palette().color(QPalette::Text));
    list.SetBackgroundColor(3, 2, QColor(1, 2, 3));
    EXPECT_EQ(list.BackgroundColor(3, 2), QColor(1, 2, 3));
    EXPECT_FALSE(list.SetCellText(9, 0, QStringLiteral("x")));
    EXPECT_FALSE(list.SetCellText(0, 7, QStringLiteral("x")));
    EXPECT_FALSE(list.SetRowData(-1, 1));
    EXPECT_EQ(list.RowData(99), 0);
    EXPECT_FALSE(list.DeleteRow(4));
    list.SetTextColor(7, 0, kRed); // no such row: nothing happens
    list.SetTextColor(0, 9, kRed); // no such column: nothing happens
    list.SortByColumn(5, true);    // no such column: nothing happens
    EXPECT_TRUE(list.DeleteRow(0));
    EXPECT_EQ(list.RowCount(), 3);
    list.DeleteAllRows();
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(DialNumberEdit, TakesOnlyDiallingCharacters) {
    CDialNumberEdit edit;
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("12ab+#*x9 ."));
    EXPECT_EQ(edit.text(), QStringLiteral("12+#*9"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("12+#*"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, QStringLiteral("0"));
    EXPECT_EQ(edit.text(), QStringLiteral("12+#0*"));
    edit.insert(QStringLiteral("7z")); // pasted text is held to the same characters
    EXPECT_EQ(edit.text(), QStringLiteral("12+#0*"));
    edit.insert(QStringLiteral("77"));
    EXPECT_EQ(edit.text(), QStringLiteral("12+#077*"));
}

// Records the commands that reach it as posted menu commands.
class CommandSink : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == MenuCommandEvent::kType) {
            commands.push_back(static_cast<MenuCommandEvent*>(event)->Command());
            return true;
        }
        return QObject::event(event);
    }
    std::vector<int> commands;
};

// Chooses the menu item with the command once the pop-up is open.
void ChooseFromPopup(int command) {
    QTimer::singleShot(50, [command] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == command) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
}

TEST(PictureButton, MenuChoiceIsPostedToItsOwner) {
    SetInterfaceLanguage(1033);
    QWidget window;
    CommandSink sink;
    auto* button = new CPictureButton(&window);
    ASSERT_TRUE(button->SetImages(148, kTransparentColor, 149, kTransparentColor));
    button->SizeToContent();
    button->SetMenu(kMenuImportExport, &sink);
    window.show();
    ASSERT_NE(button->PopupMenu(), nullptr);
    EXPECT_EQ(button->PopupMenu()->actions().size(), 2);

    ChooseFromPopup(kCmdExport);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(sink.commands.empty()); // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.commands, std::vector<int>{kCmdExport});
    EXPECT_FALSE(button->isDown());

    button->SetMenuItemEnabled(kCmdImport, false);
    EXPECT_FALSE(button->PopupMenu()->actions()[0]->isEnabled());
    button->SetMenu(0, &sink);
    EXPECT_EQ(button->PopupMenu(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton); // no menu: an ordinary click
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.commands.size(), 1u);
}

TEST(PictureButton, PinMenuHasItsSeparatorAndCommands) {
    SetInterfaceLanguage(1031);
    CPictureButton button;
    CommandSink sink;
    button.SetMenu(kMenuPin, &sink);
    const QList<QAction*> actions = button.PopupMenu()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->data().toInt(), kCmdChangePin);
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8(MenuItems(kMenuPin)[0].text));
    SetInterfaceLanguage(0);
}

TEST(PictureButton, DerivedImagesLeaveTransparentPixels) {
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(200, 100, 50));
    image.setPixel(1, 0, 0xFF000000 | kTransparentColor);
    const QImage grey = CPictureButton::GreyImage(image, kTransparentColor);
    EXPECT_EQ(grey.pixel(0, 0) & 0xFFFFFF, qRgb(124, 124, 124) & 0xFFFFFF);
    EXPECT_EQ(grey.pixel(1, 0) & 0xFFFFFF, kTransparentColor);
    const QImage dark = CPictureButton::DarkenedImage(image, kTransparentColor);
    EXPECT_EQ(dark.pixel(0, 0) & 0xFFFFFF, qRgb(150, 75, 37) & 0xFFFFFF);
    EXPECT_EQ(dark.pixel(1, 0) & 0xFFFFFF, kTransparentColor);
    QImage white(1, 1, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(qRed(CPictureButton::GreyImage(white, kTransparentColor).pixel(0, 0)), 255);
}

TEST(PictureButton, ImagesStatesAndPlacement) {
    CPictureButton button;
    EXPECT_FALSE(button.SetImages(9999, kTransparentColor, 149, kTransparentColor));
    ASSERT_TRUE(button.SetImages(148, kTransparentColor, CPictureButton::Derived::Grey));
    button.SizeToContent();
    EXPECT_EQ(button.size(), QSize(kButtonImageSize, kButtonImageSize));
    EXPECT_FALSE(button.SetImagePlacement(4));
    EXPECT_FALSE(button.SetImagePlacement(-1));
    EXPECT_TRUE(button.SetImagePlacement(0));
    EXPECT_EQ(button.CurrentImageIndex(), 1); // the second image when at rest
    button.setDown(true);
    EXPECT_EQ(button.CurrentImageIndex(), 0);
    button.setDown(false);
    button.SetCheckMode(true);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(button.CurrentImageIndex(), 0);
}

TEST(PictureButton, TooltipsBreakBetweenWordsAtTheirWidth) {
    const QFontMetrics metrics(QApplication::font());
    const QString longText = QString(QStringLiteral("word ")).repeated(60).trimmed();
    const QString wrapped = CPictureButton::WrapTooltip(longText, metrics, 400);
    const QStringList lines = wrapped.split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), 400);
    }
    EXPECT_EQ(lines.join(QLatin1Char(' ')), longText); // nothing lost
    EXPECT_EQ(CPictureButton::WrapTooltip(QStringLiteral("Load"), metrics, 400),
              QStringLiteral("Load"));
    const QString oneWord(80, QLatin1Char('x'));
    EXPECT_EQ(CPictureButton::WrapTooltip(oneWord, metrics, 400), oneWord);
}

TEST(Bitmaps, EveryButtonPictureExistsWithTransparentCorners) {
    for (int id : {129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139,
                   142, 143, 144, 145, 148, 149, 152, 153, 154, 155}) {
        const QImage image = LoadBitmap(id);
        ASSERT_FALSE(image.isNull()) << id;
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, kTransparentColor) << id;
    }
    // The notice's band fills the whole notice window.
    EXPECT_EQ(LoadBitmap(140).size(), QSize(460, 40));
    EXPECT_TRUE(LoadBitmap(141).isNull());
    EXPECT_NE(LoadBitmap(130), LoadBitmap(131)); // hover and rest differ
    EXPECT_FALSE(ApplicationIcon().isNull());
}

} // namespace
