// The window frame as data: view switch, layout, busy state, close rule, stores.
#include "core/card_data.h"
#include "core/main_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

using namespace brisken;
using namespace brisken::ctl;

namespace {

bool Has(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

struct ViewCase {
    int radio;
    std::vector<int> shown;
    std::vector<int> hidden;
    bool readOnly;
    bool import;
};

class ViewSwitchTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewSwitchTest, ShowsAndHidesTheViewsControls) {
    const ViewCase c = GetParam();
    const ViewVisibility v = VisibilityFor(ViewForRadio(c.radio));
    for (int id : c.shown) {
        EXPECT_TRUE(Has(v.shown, id)) << id;
        EXPECT_FALSE(Has(v.hidden, id)) << id;
    }
    for (int id : c.hidden) {
        EXPECT_TRUE(Has(v.hidden, id)) << id;
    }
    EXPECT_TRUE(Has(v.hidden, kSmsSelector));
    EXPECT_EQ(v.phoneFieldsReadOnly, c.readOnly);
    EXPECT_EQ(v.importEnabled, c.import);
    EXPECT_EQ(v.checkedRadio, c.radio);
    const std::set<int> shown(v.shown.begin(), v.shown.end());
    for (int id : v.hidden) {
        EXPECT_EQ(shown.count(id), 0u) << "shown and hidden: " << id;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, ViewSwitchTest,
    ::testing::Values(
        ViewCase{kRadioPhone,
                 {kPhoneList, kNameLabel, kNameField, kNumberLabel, kNumberField, kNew, kDelete},
                 {kSmsList, kLastDialList, kSmsStatusField, kSmsMessageField, kSmsTimeLabel},
                 false,
                 true},
        ViewCase{kRadioLastDial,
                 {kLastDialList, kNameField, kNumberField, kNew},
                 {kPhoneList, kSmsList, kSmsNumberField, kDelete},
                 true,
                 false},
        ViewCase{kRadioSms,
                 {kSmsList, kSmsStatusLabel, kSmsStatusField, kSmsNumberField, kSmsTimeField,
                  kSmsMessageLabel, kSmsMessageField, kNew, kDelete},
                 {kPhoneList, kLastDialList, kNameLabel, kNameField, kNumberField},
                 false,
                 true}));

TEST(Layout, BelowMinimumMovesNothing) {
    EXPECT_TRUE(LayoutFor(599, 560).empty());
    EXPECT_TRUE(LayoutFor(720, 299).empty());
    EXPECT_FALSE(LayoutFor(600, 300).empty());
}

struct Expect {
    int id, x, y, width, height;
};

class LayoutTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(LayoutTest, PlacesControlsFromTheClientSize) {
    const auto [w, h] = GetParam();
    const std::vector<Placement> placements = LayoutFor(w, h);
    std::set<int> seen;
    for (const Placement& p : placements) {
        EXPECT_TRUE(seen.insert(p.id).second) << "placed twice: " << p.id;
    }
    const auto find = [&](int id) {
        return *std::find_if(placements.begin(), placements.end(),
                             [id](const Placement& p) { return p.id == id; });
    };
    const Expect expected[] = {
        {kLoad, 20, h - 42, -1, -1},
        {kUnblock, 240, h - 42, -1, -1},
        {kNew, 350, h - 42, -1, -1},
        {kDelete, 390, h - 42, -1, -1},
        {kLanguage, w - 90, h - 42, -1, -1},
        {kClose, w - 50, h - 42, -1, -1},
        {kRadioSms, 15, 32, -1, -1},
        {kPhoneList, 20, 65, w / 2 - 40, h - 125},
        {kSmsList, 20, 65, w / 2 - 40, h - 125},
        {kNameField, w / 2 + 110, 68, -1, -1},
        {kSmsMessageField, w / 2 + 10, 210, w / 2 - 40, h - 275},
        {kPhoneCounters, 570, 5, w - 620, 20},
        {kSmsCounters, 570, 30, w - 620, 20},
        {kProgress, 20, h - 30, w - 40, 13},
        {kDefault, w + 1, h + 1, -1, -1},
    };
    for (const Expect& e : expected) {
        const Placement p = find(e.id);
        EXPECT_EQ(p.x, e.x) << e.id;
        EXPECT_EQ(p.y, e.y) << e.id;
        EXPECT_EQ(p.width, e.width) << e.id;
        EXPECT_EQ(p.height, e.height) << e.id;
    }
    // The card lines stay between Delete and Select Language.
    const Placement identity = find(kIdentity);
    EXPECT_GE(identity.x, 390 + 36);
    EXPECT_LE(identity.x + identity.width, w - 90);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayoutTest,
                         ::testing::Values(std::pair{720, 560}, std::pair{600, 300},
                                           std::pair{1024, 768}, std::pair{1921, 1081}));

TEST(BusyState, HidesActionsAndIdleKeepsDeleteHiddenInLastDialled) {
    const auto busy = BusyHiddenButtons();
    EXPECT_EQ(busy.size(), 10u);
    EXPECT_EQ(ViewRadios().size(), 3u);
    const std::vector<int> idle = IdleShownButtons(false);
    EXPECT_EQ(idle.size(), 10u);
    const std::vector<int> idleLastDialled = IdleShownButtons(true);
    EXPECT_EQ(idleLastDialled.size(), 9u);
    EXPECT_FALSE(Has(idleLastDialled, kDelete));
    EXPECT_TRUE(Has(idleLastDialled, kClose));
}

class CloseTest : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(CloseTest, AsksWhenAnyBookChanged) {
    const auto [phone, lastDialled, sms] = GetParam();
    EXPECT_EQ(CloseNeedsConfirmation({phone, lastDialled, sms}), phone || lastDialled || sms);
}

INSTANTIATE_TEST_SUITE_P(Flags, CloseTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

TEST(Stores, FirstFreeSlotPrefersLowestDeletedOrEmpty) {
    auto books = std::make_unique<Books>();
    books->phone.store[0].state = ENTRY_OCCUPIED;
    books->phone.store[1].state = ENTRY_OCCUPIED | ENTRY_CHANGED;
    books->phone.store[2].state = ENTRY_OCCUPIED | ENTRY_DELETED;
    EXPECT_EQ(FirstFreeSlot(books->phone.store), 2);
    books->phone.store[2].state = ENTRY_OCCUPIED;
    EXPECT_EQ(FirstFreeSlot(books->phone.store), 3);
    for (auto& entry : books->sms.store) {
        entry.state = ENTRY_OCCUPIED;
    }
    EXPECT_EQ(FirstFreeSlot(books->sms.store), -1);
    books->phone.values.changed = true;
    books->phone.store[5].narrowName[0] = 'x';
    books->Reset();
    EXPECT_EQ(books->phone.store[0].state, 0);
    EXPECT_EQ(books->phone.store[5].narrowName[0], 0);
    EXPECT_EQ(books->sms.store[1023].state, 0);
    EXPECT_FALSE(books->phone.values.changed);
    EXPECT_TRUE(books->phone.values.notLoaded);
}

} // namespace
