// The wizard's rules without a window: which screen a counter shows in each
// mode and what Next and Back do there, the settings screen's checks in
// their order with the field each one focuses, the range fields' syntax,
// the results browsers' cap, and how a preview begins
// and what it shows. Needs nothing but QtCore.

#include "wizard/ListingRules.h"
#include "wizard/PreviewChoice.h"
#include "wizard/RangeCheck.h"
#include "wizard/WizardFlow.h"
#include "wizard/WizardTexts.h"

#include <gtest/gtest.h>

using namespace wizard;

namespace {

struct FlowRow {
    int counter, mode;
    Screen screen;
    int step;
    NextStep next;
};

class Flow : public testing::TestWithParam<FlowRow> {};

TEST_P(Flow, ScreenStepAndNext)
{
    const FlowRow& r = GetParam();
    EXPECT_EQ(screenOf(r.counter, r.mode), r.screen);
    EXPECT_EQ(headerStep(r.counter, r.mode), r.step);
    EXPECT_EQ(nextStep(r.counter, r.mode), r.next);
}

// Photo mode has no file-type screen: its search starts from the settings.
INSTANTIATE_TEST_SUITE_P(Wizard, Flow, testing::Values(
    FlowRow{0, 0, Screen::Medium, 1, NextStep::CheckMedium},
    FlowRow{1, 0, Screen::Settings, 2, NextStep::CheckSettings},
    FlowRow{2, 0, Screen::Results, 4, NextStep::Nothing},
    FlowRow{0, 2, Screen::Medium, 1, NextStep::CheckMedium},
    FlowRow{1, 1, Screen::Settings, 2, NextStep::CheckSettings},
    FlowRow{2, 2, Screen::FileTypes, 3, NextStep::CheckFileTypes},
    FlowRow{2, 3, Screen::FileTypes, 3, NextStep::CheckFileTypes},
    FlowRow{3, 1, Screen::Results, 4, NextStep::Nothing}));

TEST(Wizard, BackWaitsForTheFinalScreenAndStopsAtTheMedium)
{
    EXPECT_TRUE(backAllowed(false, false));
    EXPECT_FALSE(backAllowed(true, false));
    EXPECT_TRUE(backAllowed(true, true));
    EXPECT_EQ(backFrom(3), 2);
    EXPECT_EQ(backFrom(1), 0);
    EXPECT_EQ(backFrom(0), 0);
}

struct RangeRow {
    const char* name;
    QString start, end;
    QString message; // empty: accepted
    Focus focus;
};

class RangeFields : public testing::TestWithParam<RangeRow> {};

TEST_P(RangeFields, OnAMediumOf4096Sectors)
{
    const RangeRow& r = GetParam();
    const CheckResult result = checkSettings({QStringLiteral("/dest"), true, r.start, r.end, QStringLiteral("4096"),
                                              [] { return false; }, [] { return QString(); }});
    EXPECT_EQ(result.message, r.message);
    EXPECT_EQ(result.focus, r.focus);
}

INSTANTIATE_TEST_SUITE_P(Wizard, RangeFields, testing::Values(
    RangeRow{"whole", "0", "4096", {}, Focus::None},
    RangeRow{"inner", "100", "200", {}, Focus::None},
    RangeRow{"emptyStart", "", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"blank", "1 0", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"plus", "+5", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"minus", "-5", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"point", "5.0", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"letter", "5a", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"longerThanTotal", "00005", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"startAboveTotal", "4097", "4096", wintexts::msgStartSector, Focus::StartField},
    RangeRow{"endAboveTotal", "0", "4097", wintexts::msgEndSector, Focus::EndField},
    RangeRow{"emptyEnd", "0", "", wintexts::msgEndSector, Focus::EndField},
    RangeRow{"endEqualsStart", "10", "10", wintexts::msgEndNotGreater, Focus::EndField},
    RangeRow{"endBelowStart", "20", "10", wintexts::msgEndNotGreater, Focus::EndField}),
    [](const testing::TestParamInfo<RangeRow>& i) { return std::string(i.param.name); });

TEST(Wizard, SettingsChecksComeInOrderAndAskOnlyWhatTheyNeed)
{
    int mediumAsked = 0, tablesAsked = 0;
    SettingsInput in{QString(), true, QStringLiteral("x"), QString(), QStringLiteral("4096"),
                     [&] { ++mediumAsked; return true; }, [&] { ++tablesAsked; return QStringLiteral("no tables"); }};
    CheckResult r = checkSettings(in);
    EXPECT_EQ(r.message, wintexts::msgDestination);
    EXPECT_EQ(r.focus, Focus::Destination);
    EXPECT_EQ(mediumAsked, 0); // no destination: the system is not asked
    in.destination = QStringLiteral("/dest");
    r = checkSettings(in);
    EXPECT_EQ(r.message, wintexts::msgDestinationOnMedium);
    EXPECT_EQ(r.focus, Focus::Destination);
    in.destinationOnMedium = [] { return false; };
    EXPECT_EQ(checkSettings(in).message, wintexts::msgStartSector);
    EXPECT_EQ(tablesAsked, 0);
    in.rangeChosen = false; // the whole medium: the range fields are not read
    r = checkSettings(in);
    EXPECT_EQ(r.message, QStringLiteral("no tables"));
    EXPECT_EQ(r.focus, Focus::None);
    in.tablesProblem = [] { return QString(); };
    EXPECT_TRUE(checkSettings(in).ok());
    EXPECT_EQ(checkMediumChosen(false).message, wintexts::msgSelectMedia);
    EXPECT_TRUE(checkMediumChosen(true).ok());
    EXPECT_EQ(checkTypesChosen(false).focus, Focus::TypeList);
    EXPECT_TRUE(checkTypesChosen(true).ok());
}

TEST(Wizard, RangeFieldsBeyondAnInt)
{
    const QString total = QStringLiteral("5000000000");
    EXPECT_TRUE(validRangeField(QStringLiteral("4999999999"), total));
    EXPECT_TRUE(validRangeField(total, total));
    EXPECT_FALSE(validRangeField(QStringLiteral("5000000001"), total));
    EXPECT_TRUE(Check_For_Valid_Sec(QString()));
    EXPECT_FALSE(Check_For_Valid_Sec(QStringLiteral("\u0663"))); // an Arabic-Indic three is not ASCII
}

struct ListingRow {
    quint64 shown, counted, limit;
    Listing expected;
};

class ListingCap : public testing::TestWithParam<ListingRow> {};

TEST_P(ListingCap, ShowCountOrNeither)
{
    const ListingRow& r = GetParam();
    EXPECT_EQ(listingFor(r.shown, r.counted, r.limit), r.expected);
}

INSTANTIATE_TEST_SUITE_P(Wizard, ListingCap, testing::Values(
    ListingRow{0, 0, 5, Listing::Show},
    ListingRow{4, 4, 5, Listing::Show},
    ListingRow{5, 5, 5, Listing::CountOnly},  // full: counted, not shown
    ListingRow{5, 9, 5, Listing::CountOnly},
    ListingRow{3, 6, 5, Listing::Neither},    // items removed after the count reached the cap
    ListingRow{3, 5, 5, Listing::Neither},
    ListingRow{3, 4, 5, Listing::Show}));

TEST(Wizard, PreviewBeginsAndChooses)
{
    EXPECT_EQ(previewStart(QString(), true, false), PreviewStart::Nothing);
    EXPECT_EQ(previewStart(QStringLiteral("a.mp4"), true, false), PreviewStart::AskMovie);
    EXPECT_EQ(previewStart(QStringLiteral("a.jpg"), true, true), PreviewStart::Picture);
    EXPECT_EQ(previewStart(QStringLiteral("a.mp4"), false, false), PreviewStart::Picture);
    EXPECT_EQ(choosePreview(true, true, true), PreviewKind::Movie);
    EXPECT_EQ(choosePreview(false, true, true), PreviewKind::Thumbnail);
    EXPECT_EQ(choosePreview(false, false, true), PreviewKind::Icon);
    EXPECT_EQ(choosePreview(false, false, false), PreviewKind::Nothing);
}

} // namespace
