// SPDX-License-Identifier: GPL-3.0-or-later
// What one build attaches, in order: kind, label, rectangle, bound parameter and tag of every
// control of the default window, of each module's detail card and tab, of both STUDIO sub-pages;
// the theme's colours on screen; and every parameter but "Theme" within reach of some control.
#include "EditorRig.h"

#include "GraphicsRig.h"
#include "Labels.h"
#include "Theme.h"

#include "IControls.h"
#include "IVSpectrumAnalyzerControl.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using dsp::ModuleId;

struct Row
{
    std::string what; // Describe() of the control; a leading '?' marks a control that may be absent
    IRECT r;
    int param = kNoParameter;
    int tag = kNoTag;
};

// Compares the controls from index `first` on with rows and returns the index after the last one.
int expectRows(const IGraphics& g, int first, const std::vector<Row>& rows, const std::string& where)
{
    int i = first;
    for (const Row& row : rows)
    {
        const IControl* c = g.GetControl(i);
        const bool optional = row.what[0] == '?';
        if (optional && (c == nullptr || !(c->GetRECT() == row.r)))
            continue; // a display this build does not have yet
        if (c == nullptr)
        {
            ADD_FAILURE() << where << ": no control " << i << ", expected " << row.what;
            return i;
        }
        if (!optional)
        {
            EXPECT_EQ(Describe(*c), row.what) << where << ", control " << i;
        }
        const IRECT& r = c->GetRECT();
        EXPECT_NEAR(r.L, row.r.L, 0.01) << where << ": " << row.what;
        EXPECT_NEAR(r.T, row.r.T, 0.01) << where << ": " << row.what;
        EXPECT_NEAR(r.R, row.r.R, 0.01) << where << ": " << row.what;
        EXPECT_NEAR(r.B, row.r.B, 0.01) << where << ": " << row.what;
        if (!optional)
        {
            EXPECT_EQ(c->GetParamIdx(), row.param) << where << ": " << row.what;
            EXPECT_EQ(c->GetTag(), row.tag) << where << ": " << row.what;
        }
        ++i;
    }
    return i;
}

// The window down to the navigation row, for the ROUTING page of the default window.
const std::vector<Row> kHeaderToAnalysis = {
    {"panel|", {0, 0, 980, 680}},
    {"bitmap|", {21, 7, 79, 71}},
    {"text|Pomelu Rarorud Izad", {90, 18, 962, 53}},
    {"text|1.0.0", {18, 64, 962, 88}},
    {"power|BYPASS", {862, 18, 962, 88}, kBypass},
    {"nav|*A ACTIVE", {750, 18, 836, 88}},
    {"nav|*POMELU", {419, 20, 475, 46}},
    {"nav|DARK", {479, 20, 535, 46}},
    {"nav|COOL", {539, 20, 595, 46}},
    {"strip|", {21, 99, 959, 151}, kNoParameter, 103},
    {"analyzer|SPECTRUM + EQ", {23, 201, 869, 290}, kNoParameter, 100},
    {"?eq curve", {35, 213, 857, 278}},
    {"?comp curve", {23, 294, 869, 366}},
    {"meter|OUT", {889, 201, 957, 366}, kNoParameter, 101},
};

const std::vector<Row> kRoutingNavigation = {
    {"nav|*\u21E2  ROUTING", {18, 158, 146, 192}},
    {"nav|\u25EB  STUDIO", {152, 158, 280, 192}},
    {"button|UNDO ROUTE", {774, 158, 864, 192}},
    {"button|RESET", {872, 158, 962, 192}},
};

// Detail card slots: 8 columns of 115.75 across 27 .. 953, each inset 5.
constexpr float kSlotL[8] = {32, 147.75f, 263.5f, 379.25f, 495, 610.75f, 726.5f, 842.25f};

struct Slot
{
    int slot;
    const char* what;
    int param;
};

struct DetailCase
{
    ModuleId module;
    int tab;
    const char* card;
    std::vector<const char*> tabs; // "*" marks the selected tab
    std::vector<Slot> slots;
};

// clang-format off
const std::vector<DetailCase> kDetailCards = {
    {ModuleId::PopCut, 0, "card|POP CUT|低音すっきり", {},
     {{0, "power|POWER", kPopCut}, {1, "knob|FREQUENCY|音の場所", kPopCutFrequency}, {7, "knob|INPUT|入り口", kInput}}},
    {ModuleId::SClear, 0, "card|S CLEAR|歯擦音やさしく", {},
     {{0, "power|POWER", kSClear}, {1, "knob|AMOUNT|かかり具合", kSClearAmount}, {2, "knob|FOCUS|ねらう音", kSClearFocus}}},
    {ModuleId::Eq, 0, "card|VOICE EQ|音色を整える", {"*LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {2, "knob|GAIN|音量", kEqLow}, {3, "knob|FREQUENCY|音の場所", kEqLowFrequency}, {4, "knob|Q|効く幅", kEqLowQ}}},
    {ModuleId::Eq, 1, "card|VOICE EQ|音色を整える", {"LOW", "*LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {2, "knob|GAIN|音量", kEqLowMid}, {3, "knob|FREQUENCY|音の場所", kEqLowMidFrequency}, {4, "knob|Q|効く幅", kEqLowMidQ}}},
    {ModuleId::Eq, 2, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "*MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {2, "knob|GAIN|音量", kEqMid}, {3, "knob|FREQUENCY|音の場所", kEqMidFrequency}, {4, "knob|Q|効く幅", kEqMidQ}}},
    {ModuleId::Eq, 3, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "MID", "*HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {2, "knob|GAIN|音量", kEqHighMid}, {3, "knob|FREQUENCY|音の場所", kEqHighMidFrequency}, {4, "knob|Q|効く幅", kEqHighMidQ}}},
    {ModuleId::Eq, 4, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "MID", "HIGH MID", "*HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {2, "knob|GAIN|音量", kEqHigh}, {3, "knob|FREQUENCY|音の場所", kEqHighFrequency}, {4, "knob|Q|効く幅", kEqHighQ}}},
    {ModuleId::Eq, 5, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "*LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {1, "power|LOW CUT", kEqLowCut}, {2, "knob|FREQUENCY|音の場所", kEqLowCutFrequency},
      {3, "knob|Q|効く幅", kEqLowCutQ}, {4, "knob|SLOPE|切れ味", kEqLowCutSlope}}},
    {ModuleId::Eq, 6, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "*HIGH CUT"},
     {{0, "power|POWER", kEq}, {1, "power|HIGH CUT", kEqHighCut}, {2, "knob|FREQUENCY|音の場所", kEqHighCutFrequency},
      {3, "knob|Q|効く幅", kEqHighCutQ}, {4, "knob|SLOPE|切れ味", kEqHighCutSlope}}},
    {ModuleId::Eq, 9, "card|VOICE EQ|音色を整える", {"LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"},
     {{0, "power|POWER", kEq}, {1, "power|HIGH CUT", kEqHighCut}, {2, "knob|FREQUENCY|音の場所", kEqHighCutFrequency},
      {3, "knob|Q|効く幅", kEqHighCutQ}, {4, "knob|SLOPE|切れ味", kEqHighCutSlope}}},
    {ModuleId::Distortion, 0, "card|DISTORTION|音を大胆に壊す", {},
     {{0, "power|POWER", kDistortion}, {1, "knob|DRIVE|ぐしゃっと", kDrive}, {2, "knob|TONE|音色", kDistortionTone},
      {3, "knob|MIX|まぜ具合", kDistortionMix}, {4, "knob|STYLE|壊し方", kDistortionStyle}}},
    {ModuleId::Phaser, 0, "card|PHASER|音をしゅわっと", {},
     {{0, "power|POWER", kPhaser}, {1, "knob|RATE|揺れる速さ", kPhaserRate}, {2, "knob|DEPTH|揺れの深さ", kPhaserDepth},
      {3, "knob|FEEDBACK|くり返し", kPhaserFeedback}, {4, "knob|MIX|まぜ具合", kPhaserMix}}},
    {ModuleId::Tremolo, 0, "card|TREMOLO|音量ゆらゆら", {},
     {{0, "power|POWER", kTremolo}, {1, "knob|RATE|揺れる速さ", kTremoloRate}, {2, "knob|DEPTH|揺れの深さ", kTremoloDepth},
      {3, "power|SYNC", kTremoloSync}, {4, "knob|DIVISION|音符", kTremoloDivision}}},
    {ModuleId::Leveler, 0, "card|LEVELER|音量差を整える", {},
     {{0, "power|POWER", kLeveler}, {1, "knob|TARGET|目標音量", kLevelTarget}, {2, "knob|RANGE|動く幅", kLevelRange},
      {3, "knob|SPEED|追う速さ", kLevelerSpeed}, {4, "knob|SENSITIVITY|反応", kLevelerSensitivity}}},
    {ModuleId::Comp, 0, "card|COMP|勢いを整える", {"*MAIN", "DETAIL"},
     {{0, "power|POWER", kComp}, {1, "knob|THRESHOLD|しきい値", kCompThreshold}, {2, "knob|RATIO|圧縮比", kCompRatio},
      {3, "knob|ATTACK|つかむ速さ", kCompAttack}, {4, "knob|RELEASE|戻る速さ", kCompRelease},
      {5, "knob|MAKEUP|仕上げ音量", kCompMakeup}, {6, "knob|MIX|まぜ具合", kCompMix}}},
    {ModuleId::Comp, 1, "card|COMP|勢いを整える", {"MAIN", "*DETAIL"},
     {{0, "power|POWER", kComp}, {1, "knob|KNEE|やわらかさ", kCompKnee}, {2, "knob|EXPANDER|小音量整理", kCompExpander},
      {3, "knob|MAKEUP|仕上げ音量", kCompMakeup}, {4, "knob|MIX|まぜ具合", kCompMix}}},
    {ModuleId::ClipGuard, 0, "card|CLIP GUARD|ピークを守る", {},
     {{0, "power|POWER", kClipGuard}, {1, "knob|CEILING|音量の上限", kCeiling}, {2, "knob|AMOUNT|かかり具合", kClipGuardAmount},
      {7, "knob|OUTPUT|出口", kOutput}}},
    {ModuleId::Delay, 0, "card|DELAY · HOST 120.0 BPM|こだまを彩る", {"*MAIN", "STEREO L/R", "SYNC + TONE"},
     {{0, "power|POWER", kDelay}, {1, "knob|TIME|時間", kDelayTime}, {2, "knob|FEEDBACK|くり返し", kDelayFeedback},
      {3, "knob|WET|エフェクト量", kDelayWet}, {4, "knob|LOW CUT|低音カット", kDelayLowCut},
      {5, "knob|HIGH CUT|高音カット", kDelayHighCut}, {6, "knob|WIDTH|広がり", kDelayWidth}, {7, "power|STEREO", kDelayStereo}}},
    {ModuleId::Delay, 1, "card|DELAY · HOST 120.0 BPM|こだまを彩る", {"MAIN", "*STEREO L/R", "SYNC + TONE"},
     {{0, "power|POWER", kDelay}, {1, "power|STEREO", kDelayStereo}, {2, "knob|LEFT TIME|左の時間", kDelayLeftTime},
      {3, "knob|RIGHT TIME|右の時間", kDelayRightTime}, {4, "knob|LEFT FB|左の返し", kDelayLeftFeedback},
      {5, "knob|RIGHT FB|右の返し", kDelayRightFeedback}, {6, "knob|LEFT MIX|左のまぜ具合", kDelayLeftMix},
      {7, "knob|RIGHT MIX|右のまぜ具合", kDelayRightMix}}},
    {ModuleId::Delay, 2, "card|DELAY · HOST 120.0 BPM|こだまを彩る", {"MAIN", "STEREO L/R", "*SYNC + TONE"},
     {{0, "power|POWER", kDelay}, {1, "power|DAW SYNC", kDelaySync}, {2, "knob|DIVISION|音符", kDelayDivision},
      {3, "knob|FEEL|ノリ", kDelayFeel}, {4, "knob|CROSS FB|左右の返し", kDelayCrossFeedback},
      {5, "knob|LOW CUT|低音カット", kDelayLowCut}, {6, "knob|HIGH CUT|高音カット", kDelayHighCut},
      {7, "knob|WIDTH|広がり", kDelayWidth}}},
    {ModuleId::Reverb, 0, "card|REVERB|余韻ふんわり", {},
     {{0, "power|POWER", kReverb}, {1, "knob|SIZE|空間の広さ", kReverbSize}, {2, "knob|DECAY|余韻", kReverbDecay},
      {3, "knob|PRE-DELAY|響く前", kReverbPreDelay}, {4, "knob|TONE|音色", kReverbTone}, {5, "knob|WET|エフェクト量", kReverbWet}}},
};
// clang-format on

std::vector<Row> detailRows(const DetailCase& d)
{
    std::vector<Row> rows = {{d.card, {22, 380, 958, 658}}};
    const float x0 = 962.0f - 84.0f * static_cast<float>(d.tabs.size());
    for (std::size_t i = 0; i < d.tabs.size(); ++i)
        rows.push_back({std::string("nav|") + d.tabs[i], {x0 + 84 * i + 2, 378, x0 + 84 * (i + 1) - 2, 404}});
    for (const Slot& s : d.slots)
    {
        const bool knob = std::string(s.what).rfind("knob|", 0) == 0;
        rows.push_back(
            {s.what, {kSlotL[s.slot], 436, kSlotL[s.slot] + 105.75f, knob ? 648.0f : 470.0f}, s.param});
    }
    return rows;
}

TEST(EditorLayout, TheDefaultWindowIsTheEqCardOnItsLowTab)
{
    EditorRig rig;
    int next = expectRows(rig.g, 0, kHeaderToAnalysis, "header");
    next = expectRows(rig.g, next, kRoutingNavigation, "navigation");
    next = expectRows(rig.g, next, detailRows(kDetailCards[2]), "EQ card");
    EXPECT_EQ(next, rig.g.NControls());
    ASSERT_NE(rig.g.GetCornerResizer(), nullptr);
    EXPECT_TRUE(rig.g.GetCornerResizer()->GetLayoutOnResize());
    EXPECT_EQ(rig.g.GetCornerResizer()->GetRECT(), IRECT(960, 660, 980, 680));
    EXPECT_NE(rig.g.GetTextEntryControl(), nullptr);
    EXPECT_TRUE(rig.g.TooltipsEnabled());
    for (const char* font : {"Roboto", "NotoJP", "MPlusBold"})
        EXPECT_EQ(rig.g.GetFonts().Has(font), TestFontsPresent()) << font;
}

TEST(EditorLayout, EveryDetailCardAndTabHoldsItsSlotsInOrder)
{
    for (const DetailCase& d : kDetailCards)
    {
        EditorRig rig(
            [&](PomeluRarorudIzad& p)
            {
                p.selectedModule = d.module;
                p.detailTab = d.tab;
            });
        const std::string where = std::string(d.card) + ", tab " + std::to_string(d.tab);
        const int content = rig.g.NControls() - static_cast<int>(detailRows(d).size());
        EXPECT_EQ(expectRows(rig.g, content, detailRows(d), where), rig.g.NControls()) << where;
        EXPECT_EQ(Describe(*rig.g.GetControl(content - 1)), "button|RESET") << where;
    }
}

TEST(EditorLayout, TheDelayCardShowsTheHostTempo)
{
    const struct
    {
        double bpm;
        const char* title;
    } cases[] = {
        {98.5, "DELAY · HOST 98.5 BPM"}, {1.0, "DELAY · HOST 120.0 BPM"}, {0.0, "DELAY · HOST 120.0 BPM"}};
    for (const auto& c : cases)
    {
        EditorRig rig(
            [&](PomeluRarorudIzad& p)
            {
                p.selectedModule = ModuleId::Delay;
                p.SetTempo(c.bpm);
            });
        // The card comes after RESET, before the three tabs and eight slots.
        EXPECT_EQ(Describe(*rig.g.GetControl(rig.g.NControls() - 12)),
                  std::string("card|") + c.title + "|こだまを彩る")
            << c.bpm;
    }
}

struct CardCase
{
    IRECT cell;
    const char* card;
    int power;
    std::vector<std::pair<int, const char*>> knobs;
};

// clang-format off
const std::vector<CardCase> kToneCards = {
    {{18, 376, 332.667f, 519}, "modcard|POP CUT|低音すっきり", kPopCut,
     {{kPopCutFrequency, "FREQUENCY|音の場所"}, {kInput, "INPUT|入り口"}}},
    {{332.667f, 376, 647.333f, 519}, "modcard|VOICE EQ|音色を整える", kEq,
     {{kEqLow, "LOW|低音"}, {kEqLowMid, "LOW MID|低め中音"}, {kEqMid, "MID|中音"}, {kEqHighMid, "HIGH MID|高め中音"}, {kEqHigh, "HIGH|高音"}}},
    {{647.333f, 376, 962, 519}, "modcard|LEVELER|音量差を整える", kLeveler,
     {{kLevelTarget, "TARGET|目標音量"}, {kLevelRange, "RANGE|動く幅"}, {kLevelerSpeed, "SPEED|追う速さ"}, {kLevelerSensitivity, "SENSITIVITY|反応"}}},
    {{18, 519, 332.667f, 662}, "modcard|S CLEAR|歯擦音やさしく", kSClear,
     {{kSClearAmount, "AMOUNT|かかり具合"}, {kSClearFocus, "FOCUS|ねらう音"}}},
    {{332.667f, 519, 647.333f, 662}, "modcard|COMP|勢いを整える", kComp,
     {{kCompThreshold, "THRESHOLD|しきい値"}, {kCompRatio, "RATIO|圧縮比"}, {kCompAttack, "ATTACK|つかむ速さ"}, {kCompRelease, "RELEASE|戻る速さ"}, {kCompMix, "MIX|まぜ具合"}}},
    {{647.333f, 519, 962, 662}, "modcard|CLIP GUARD|ピークを守る", kClipGuard,
     {{kCeiling, "CEILING|音量の上限"}, {kClipGuardAmount, "AMOUNT|かかり具合"}, {kOutput, "OUTPUT|出口"}}},
};
const std::vector<CardCase> kCreativeCards = {
    {{18, 376, 332.667f, 519}, "modcard|DISTORTION|音を大胆に壊す", kDistortion,
     {{kDrive, "DRIVE|ぐしゃっと"}, {kDistortionTone, "TONE|音色"}, {kDistortionMix, "MIX|まぜ具合"}, {kDistortionStyle, "STYLE|壊し方"}}},
    {{332.667f, 376, 647.333f, 519}, "modcard|PHASER|音をしゅわっと", kPhaser,
     {{kPhaserRate, "RATE|揺れる速さ"}, {kPhaserDepth, "DEPTH|揺れの深さ"}, {kPhaserFeedback, "FEEDBACK|くり返し"}, {kPhaserMix, "MIX|まぜ具合"}}},
    {{647.333f, 376, 962, 519}, "modcard|TREMOLO|音量ゆらゆら", kTremolo,
     {{kTremoloRate, "RATE|揺れる速さ"}, {kTremoloDepth, "DEPTH|揺れの深さ"}, {kTremoloDivision, "DIVISION|音符"}}},
    {{18, 519, 647.333f, 662}, "modcard|DELAY|こだまを彩る", kDelay,
     {{kDelayTime, "TIME|時間"}, {kDelayFeedback, "FEEDBACK|くり返し"}, {kDelayWet, "WET|エフェクト量"}, {kDelayLowCut, "LOW CUT|低音カット"}, {kDelayHighCut, "HIGH CUT|高音カット"}, {kDelayWidth, "WIDTH|広がり"}}},
    {{647.333f, 519, 962, 662}, "modcard|REVERB|余韻ふんわり", kReverb,
     {{kReverbSize, "SIZE|空間の広さ"}, {kReverbDecay, "DECAY|余韻"}, {kReverbPreDelay, "PRE-DELAY|響く前"}, {kReverbWet, "WET|エフェクト量"}}},
};
// clang-format on

// A card: inset 4; POWER 72 x 25 at the top right; knobs in equal columns, 3 in from each column's
// edges, from 56 below the cell's top to 12 above its bottom (75 units high).
std::vector<Row> cardRows(const std::vector<CardCase>& cards)
{
    std::vector<Row> rows;
    for (const CardCase& c : cards)
    {
        const IRECT& r = c.cell;
        rows.push_back({c.card, r.GetPadded(-4), c.power});
        rows.push_back({"power|POWER", {r.R - 83, r.T + 9, r.R - 11, r.T + 34}, c.power});
        const float kw = (r.W() - 18) / static_cast<float>(c.knobs.size());
        for (std::size_t i = 0; i < c.knobs.size(); ++i)
            rows.push_back({std::string("knob|") + c.knobs[i].second,
                            {r.L + 9 + kw * i + 3, r.T + 56, r.L + 9 + kw * (i + 1) - 3, r.B - 12},
                            c.knobs[i].first});
    }
    return rows;
}

TEST(EditorLayout, BothStudioSubPagesHoldTheirModuleCards)
{
    for (const bool creative : {false, true})
    {
        EditorRig rig(
            [&](PomeluRarorudIzad& p)
            {
                p.routingPage = false;
                p.creativePage = creative;
            });
        const std::vector<Row> nav = {
            {"nav|\u21E2  ROUTING", {18, 158, 146, 192}},
            {"nav|*\u25EB  STUDIO", {152, 158, 280, 192}},
            {creative ? "nav|TONE + DYNAMICS" : "nav|*TONE + DYNAMICS", {294, 158, 419, 192}},
            {creative ? "nav|*CREATIVE + SPACE" : "nav|CREATIVE + SPACE", {425, 158, 550, 192}},
            kRoutingNavigation[2],
            kRoutingNavigation[3],
        };
        int next = expectRows(rig.g, 0, kHeaderToAnalysis, "studio header");
        next = expectRows(rig.g, next, nav, "studio navigation");
        next = expectRows(rig.g, next, cardRows(creative ? kCreativeCards : kToneCards), "studio cards");
        EXPECT_EQ(next, rig.g.NControls());
    }
}

// Palette roles and where they show: the window background, the selected theme button and the
// compare button, and the detail card's fill.
TEST(EditorLayout, EachThemePaintsItsPalette)
{
    const struct
    {
        double theme;
        IColor background, accent, accent2, panel;
    } cases[] = {
        {0, {255, 253, 247, 252}, {255, 255, 92, 145}, {255, 170, 129, 245}, {255, 255, 242, 248}},
        {1, {255, 31, 24, 43}, {255, 255, 92, 145}, {255, 199, 143, 255}, {255, 55, 40, 69}},
        {2, {255, 33, 26, 45}, {255, 47, 126, 165}, {255, 215, 154, 199}, {255, 48, 39, 63}},
    };
    for (const auto& c : cases)
    {
        EditorRig rig([&](PomeluRarorudIzad& p) { p.GetParam(kTheme)->Set(c.theme); });
        rig.g.SetAllControlsDirty();
        rig.g.DrawFrame();
        const int t = static_cast<int>(c.theme);
        EXPECT_EQ(PixelAt(rig.g, 5, 5), c.background) << t;
        EXPECT_EQ(PixelAt(rig.g, 447 + 60 * t, 24), c.accent) << t << ": the selected theme button";
        EXPECT_EQ(PixelAt(rig.g, 793, 24), c.accent2) << t << ": the compare button";
        EXPECT_EQ(PixelAt(rig.g, 500, 415), c.panel) << t << ": the detail card";
        EXPECT_EQ(Describe(*rig.g.GetControl(6 + t)), std::string("nav|*") + editor::kThemeNames[t]);

        // Knobs take the knob style, the analyzer its own dark one.
        const auto* knob = dynamic_cast<const IVectorBase*>(rig.g.GetControl(rig.g.NControls() - 1));
        ASSERT_NE(knob, nullptr);
        const IVStyle& ks = knob->GetStyle();
        const IColor ink = editor::kPalettes[static_cast<std::size_t>(t)].ink;
        const IVColorSpec spec = {c.panel, c.accent,  c.accent2, ink, c.accent, IColor(50, 60, 30, 70),
                                  ink,     c.accent2, c.accent};
        EXPECT_EQ(ks.colorSpec, spec) << t;
        EXPECT_FLOAT_EQ(ks.widgetFrac, 0.78f);
        EXPECT_EQ(ks.labelText.size, 11.0f);
        EXPECT_EQ(ks.valueText.size, 12.0f);
        EXPECT_EQ(ks.valueText.fontName, "MPlusBold");
        const auto* analyzer = dynamic_cast<const IVectorBase*>(rig.g.GetControlWithTag(100));
        ASSERT_NE(analyzer, nullptr);
        EXPECT_EQ(analyzer->GetColor(kBG), IColor(255, 42, 28, 57));
        EXPECT_EQ(analyzer->GetColor(kFG), c.accent);
        EXPECT_EQ(analyzer->GetStyle().labelText.fgColor, IColor(255, 255, 230, 242));
        EXPECT_EQ(analyzer->GetStyle().labelText.fontName, "Roboto");
    }
}

TEST(EditorLayout, ThemeValuesTruncateAndUnknownOnesArePomelu)
{
    const struct
    {
        double value;
        int index;
    } cases[] = {{0, 0}, {1, 1}, {1.99, 1}, {2, 2}, {2.5, 2}, {3, 0}, {-0.5, 0}, {-1, 0}, {std::nan(""), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(editor::ThemeIndexFor(c.value), c.index) << c.value;
}

TEST(EditorLayout, EveryParameterButThemeIsReachable)
{
    std::set<int> reached;
    auto collect = [&](const EditorRig& rig)
    {
        for (int i = 0; i < rig.g.NControls(); ++i)
            for (int v = 0; v < rig.g.GetControl(i)->NVals(); ++v)
                reached.insert(rig.g.GetControl(i)->GetParamIdx(v));
    };
    for (const DetailCase& d : kDetailCards)
        collect(EditorRig(
            [&](PomeluRarorudIzad& p)
            {
                p.selectedModule = d.module;
                p.detailTab = d.tab;
            }));
    for (const bool creative : {false, true})
        collect(EditorRig(
            [&](PomeluRarorudIzad& p)
            {
                p.routingPage = false;
                p.creativePage = creative;
            }));
    reached.erase(kNoParameter);
    EXPECT_EQ(reached.size(), static_cast<std::size_t>(kNumParams - 1));
    EXPECT_EQ(reached.count(kTheme), 0u);
}

TEST(EditorLabels, LookupIsExactAndFallsBackToTheEnglish)
{
    using editor::JapaneseLabelFor;
    EXPECT_STREQ(JapaneseLabelFor("LOW"), "低音") << "not the entry of LOW MID or LOW CUT";
    EXPECT_STREQ(JapaneseLabelFor("LOW CUT"), "低音カット");
    EXPECT_STREQ(JapaneseLabelFor("POWER"), "POWER");
    EXPECT_STREQ(JapaneseLabelFor("Low"), "Low");
    EXPECT_STREQ(JapaneseLabelFor(nullptr), "");
    const char* shortNames[] = {"POP",   "S CLEAR", "EQ",   "DIST",  "PHASER", "TREM",
                                "LEVEL", "COMP",    "CLIP", "DELAY", "REVERB", "?"};
    for (int id = 0; id < 12; ++id)
        EXPECT_STREQ(editor::ModuleShortName(static_cast<ModuleId>(id)), shortNames[id]) << id;
    EXPECT_STREQ(editor::ModuleShortName(static_cast<ModuleId>(255)), "?");
}

} // namespace
} // namespace pomelu::test
