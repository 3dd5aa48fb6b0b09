// SPDX-License-Identifier: GPL-3.0-or-later
// What one build attaches, in order: kind, label, rectangle, bound parameter and tag of every
// control of the default window, of each module's detail card and tab, of both STUDIO sub-pages;
// each theme's colours on screen; every parameter but "Theme" within reach of some control.
#include "CompCurveControl.h"
#include "EditorRig.h"
#include "GraphMath.h"

#include "GraphicsRig.h"
#include "Labels.h"
#include "Theme.h"

#include "IControls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
    std::string what; // Describe() of the control
    IRECT r;
    int param = kNoParameter;
    int tag = kNoTag;
};

// Compares the controls from index `first` on with rows; returns the index after the last one.
int expectRows(const IGraphics& g, int first, const std::vector<Row>& rows, const std::string& where)
{
    int i = first;
    for (const Row& row : rows)
    {
        const IControl* c = g.GetControl(i);
        if (c == nullptr)
        {
            ADD_FAILURE() << where << ": no control " << i << " for " << row.what;
            return i;
        }
        const IRECT& r = c->GetRECT();
        EXPECT_TRUE(std::abs(r.L - row.r.L) + std::abs(r.T - row.r.T) + std::abs(r.R - row.r.R) +
                        std::abs(r.B - row.r.B) <
                    0.01f)
            << where << ": " << row.what << " at " << r.L << ", " << r.T << ", " << r.R << ", " << r.B;
        EXPECT_EQ(Describe(*c), row.what) << where << ", control " << i;
        EXPECT_EQ(c->GetParamIdx(), row.param) << where << ": " << row.what;
        EXPECT_EQ(c->GetTag(), row.tag) << where << ": " << row.what;
        ++i;
    }
    return i;
}

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
    {"eqcurve|", {35, 213, 857, 278}, kEqLowCut},
    {"compcurve|", {23, 294, 869, 366}, kCompThreshold},
    {"meter|OUT", {889, 201, 957, 366}, kNoParameter, 101},
};
const Row kUndo = {"button|UNDO ROUTE", {774, 158, 864, 192}},
          kReset = {"button|RESET", {872, 158, 962, 192}};

// Detail card slots: 8 columns of 115.75 from x = 27, each inset 5.
constexpr float kSlotL[8] = {32, 147.75f, 263.5f, 379.25f, 495, 610.75f, 726.5f, 842.25f};

struct Slot
{
    int slot, param;
    const char* label; // "EN|japanese" for a knob, a toggle's label otherwise
};

struct DetailCase
{
    ModuleId module;
    int tab;
    const char* card;
    std::vector<const char*> tabs; // '*' marks the selected one
    std::vector<Slot> slots;
};

const std::vector<const char*> kEqTabs = {"LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"};
const char* const kEqCard = "card|VOICE EQ|音色を整える";
const char* const kCompCard = "card|COMP|勢いを整える";
const char* const kDelayCard = "card|DELAY · HOST 120.0 BPM|こだまを彩る";

// clang-format off
const std::vector<DetailCase> kDetailCards = {
    {ModuleId::PopCut, 0, "card|POP CUT|低音すっきり", {}, {{0, kPopCut, "POWER"}, {1, kPopCutFrequency, "FREQUENCY|音の場所"}, {7, kInput, "INPUT|入り口"}}},
    {ModuleId::SClear, 0, "card|S CLEAR|歯擦音やさしく", {}, {{0, kSClear, "POWER"}, {1, kSClearAmount, "AMOUNT|かかり具合"}, {2, kSClearFocus, "FOCUS|ねらう音"}}},
    {ModuleId::Eq, 0, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {2, kEqLow, "GAIN|音量"}, {3, kEqLowFrequency, "FREQUENCY|音の場所"}, {4, kEqLowQ, "Q|効く幅"}}},
    {ModuleId::Eq, 1, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {2, kEqLowMid, "GAIN|音量"}, {3, kEqLowMidFrequency, "FREQUENCY|音の場所"}, {4, kEqLowMidQ, "Q|効く幅"}}},
    {ModuleId::Eq, 2, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {2, kEqMid, "GAIN|音量"}, {3, kEqMidFrequency, "FREQUENCY|音の場所"}, {4, kEqMidQ, "Q|効く幅"}}},
    {ModuleId::Eq, 3, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {2, kEqHighMid, "GAIN|音量"}, {3, kEqHighMidFrequency, "FREQUENCY|音の場所"}, {4, kEqHighMidQ, "Q|効く幅"}}},
    {ModuleId::Eq, 4, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {2, kEqHigh, "GAIN|音量"}, {3, kEqHighFrequency, "FREQUENCY|音の場所"}, {4, kEqHighQ, "Q|効く幅"}}},
    {ModuleId::Eq, 5, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {1, kEqLowCut, "LOW CUT"}, {2, kEqLowCutFrequency, "FREQUENCY|音の場所"}, {3, kEqLowCutQ, "Q|効く幅"}, {4, kEqLowCutSlope, "SLOPE|切れ味"}}},
    {ModuleId::Eq, 6, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {1, kEqHighCut, "HIGH CUT"}, {2, kEqHighCutFrequency, "FREQUENCY|音の場所"}, {3, kEqHighCutQ, "Q|効く幅"}, {4, kEqHighCutSlope, "SLOPE|切れ味"}}},
    {ModuleId::Eq, 9, kEqCard, kEqTabs, {{0, kEq, "POWER"}, {1, kEqHighCut, "HIGH CUT"}, {2, kEqHighCutFrequency, "FREQUENCY|音の場所"}, {3, kEqHighCutQ, "Q|効く幅"}, {4, kEqHighCutSlope, "SLOPE|切れ味"}}},
    {ModuleId::Distortion, 0, "card|DISTORTION|音を大胆に壊す", {}, {{0, kDistortion, "POWER"}, {1, kDrive, "DRIVE|ぐしゃっと"}, {2, kDistortionTone, "TONE|音色"}, {3, kDistortionMix, "MIX|まぜ具合"}, {4, kDistortionStyle, "STYLE|壊し方"}}},
    {ModuleId::Phaser, 0, "card|PHASER|音をしゅわっと", {}, {{0, kPhaser, "POWER"}, {1, kPhaserRate, "RATE|揺れる速さ"}, {2, kPhaserDepth, "DEPTH|揺れの深さ"}, {3, kPhaserFeedback, "FEEDBACK|くり返し"}, {4, kPhaserMix, "MIX|まぜ具合"}}},
    {ModuleId::Tremolo, 0, "card|TREMOLO|音量ゆらゆら", {}, {{0, kTremolo, "POWER"}, {1, kTremoloRate, "RATE|揺れる速さ"}, {2, kTremoloDepth, "DEPTH|揺れの深さ"}, {3, kTremoloSync, "SYNC"}, {4, kTremoloDivision, "DIVISION|音符"}}},
    {ModuleId::Leveler, 0, "card|LEVELER|音量差を整える", {}, {{0, kLeveler, "POWER"}, {1, kLevelTarget, "TARGET|目標音量"}, {2, kLevelRange, "RANGE|動く幅"}, {3, kLevelerSpeed, "SPEED|追う速さ"}, {4, kLevelerSensitivity, "SENSITIVITY|反応"}}},
    {ModuleId::Comp, 0, kCompCard, {"MAIN", "DETAIL"}, {{0, kComp, "POWER"}, {1, kCompThreshold, "THRESHOLD|しきい値"}, {2, kCompRatio, "RATIO|圧縮比"}, {3, kCompAttack, "ATTACK|つかむ速さ"}, {4, kCompRelease, "RELEASE|戻る速さ"}, {5, kCompMakeup, "MAKEUP|仕上げ音量"}, {6, kCompMix, "MIX|まぜ具合"}}},
    {ModuleId::Comp, 1, kCompCard, {"MAIN", "DETAIL"}, {{0, kComp, "POWER"}, {1, kCompKnee, "KNEE|やわらかさ"}, {2, kCompExpander, "EXPANDER|小音量整理"}, {3, kCompMakeup, "MAKEUP|仕上げ音量"}, {4, kCompMix, "MIX|まぜ具合"}}},
    {ModuleId::ClipGuard, 0, "card|CLIP GUARD|ピークを守る", {}, {{0, kClipGuard, "POWER"}, {1, kCeiling, "CEILING|音量の上限"}, {2, kClipGuardAmount, "AMOUNT|かかり具合"}, {7, kOutput, "OUTPUT|出口"}}},
    {ModuleId::Delay, 0, kDelayCard, {"MAIN", "STEREO L/R", "SYNC + TONE"}, {{0, kDelay, "POWER"}, {1, kDelayTime, "TIME|時間"}, {2, kDelayFeedback, "FEEDBACK|くり返し"}, {3, kDelayWet, "WET|エフェクト量"}, {4, kDelayLowCut, "LOW CUT|低音カット"}, {5, kDelayHighCut, "HIGH CUT|高音カット"}, {6, kDelayWidth, "WIDTH|広がり"}, {7, kDelayStereo, "STEREO"}}},
    {ModuleId::Delay, 1, kDelayCard, {"MAIN", "STEREO L/R", "SYNC + TONE"}, {{0, kDelay, "POWER"}, {1, kDelayStereo, "STEREO"}, {2, kDelayLeftTime, "LEFT TIME|左の時間"}, {3, kDelayRightTime, "RIGHT TIME|右の時間"}, {4, kDelayLeftFeedback, "LEFT FB|左の返し"}, {5, kDelayRightFeedback, "RIGHT FB|右の返し"}, {6, kDelayLeftMix, "LEFT MIX|左のまぜ具合"}, {7, kDelayRightMix, "RIGHT MIX|右のまぜ具合"}}},
    {ModuleId::Delay, 2, kDelayCard, {"MAIN", "STEREO L/R", "SYNC + TONE"}, {{0, kDelay, "POWER"}, {1, kDelaySync, "DAW SYNC"}, {2, kDelayDivision, "DIVISION|音符"}, {3, kDelayFeel, "FEEL|ノリ"}, {4, kDelayCrossFeedback, "CROSS FB|左右の返し"}, {5, kDelayLowCut, "LOW CUT|低音カット"}, {6, kDelayHighCut, "HIGH CUT|高音カット"}, {7, kDelayWidth, "WIDTH|広がり"}}},
    {ModuleId::Reverb, 0, "card|REVERB|余韻ふんわり", {}, {{0, kReverb, "POWER"}, {1, kReverbSize, "SIZE|空間の広さ"}, {2, kReverbDecay, "DECAY|余韻"}, {3, kReverbPreDelay, "PRE-DELAY|響く前"}, {4, kReverbTone, "TONE|音色"}, {5, kReverbWet, "WET|エフェクト量"}}},
};
// clang-format on

// The card inset 4 in the content area, tabs 84 wide ending at the right margin, knobs 436 .. 648,
// toggles 436 .. 470.
std::vector<Row> detailRows(const DetailCase& d)
{
    std::vector<Row> rows = {{d.card, {22, 380, 958, 658}}};
    const float x0 = 962.0f - 84.0f * static_cast<float>(d.tabs.size());
    for (int i = 0; i < static_cast<int>(d.tabs.size()); ++i)
        rows.push_back({std::string("nav|") +
                            (i == std::min(d.tab, static_cast<int>(d.tabs.size())) ? "*" : "") +
                            d.tabs[static_cast<std::size_t>(i)],
                        {x0 + 84 * i + 2, 378, x0 + 84 * (i + 1) - 2, 404}});
    for (const Slot& s : d.slots)
    {
        const bool knob = std::strchr(s.label, '|') != nullptr;
        rows.push_back({(knob ? "knob|" : "power|") + std::string(s.label),
                        {kSlotL[s.slot], 436, kSlotL[s.slot] + 105.75f, knob ? 648.0f : 470.0f},
                        s.param});
    }
    return rows;
}

EditorRig detailRig(ModuleId module, int tab)
{
    return EditorRig(
        [&](PomeluRarorudIzad& p)
        {
            p.navigation().selectedModule = module;
            p.navigation().detailTab = tab;
        });
}

EditorRig studioRig(bool creative)
{
    return EditorRig(
        [&](PomeluRarorudIzad& p)
        {
            p.navigation().routingPage = false;
            p.navigation().creativePage = creative;
        });
}

TEST(EditorLayout, TheDefaultWindowShowsTheEqCardOnItsLowTab)
{
    EditorRig rig;
    int next = expectRows(rig.g, 0, kHeaderToAnalysis, "header");
    next = expectRows(rig.g, next,
                      {{"nav|*\u21E2  ROUTING", {18, 158, 146, 192}},
                       {"nav|\u25EB  STUDIO", {152, 158, 280, 192}},
                       kUndo,
                       kReset},
                      "navigation");
    EXPECT_EQ(expectRows(rig.g, next, detailRows(kDetailCards[2]), "EQ card"), rig.g.NControls());
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
        EditorRig rig = detailRig(d.module, d.tab);
        const std::vector<Row> rows = detailRows(d);
        const std::string where = d.card + (", tab " + std::to_string(d.tab));
        const int first = rig.g.NControls() - static_cast<int>(rows.size());
        EXPECT_EQ(Describe(*rig.g.GetControl(first - 1)), "button|RESET") << where;
        expectRows(rig.g, first, rows, where);
    }
    // The Delay card's title carries the host tempo, 120 when there is none.
    for (const auto& [bpm, title] :
         {std::pair{98.5, "DELAY · HOST 98.5 BPM"}, {1.0, "DELAY · HOST 120.0 BPM"}})
    {
        EditorRig rig = detailRig(ModuleId::Delay, 0);
        rig.plug->SetTempo(bpm);
        rig.plug->requestRebuild();
        rig.idle();
        EXPECT_EQ(Describe(*rig.g.GetControl(rig.g.NControls() - 12)),
                  std::string("card|") + title + "|こだまを彩る");
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
    {{18, 376, 332.667f, 519}, "POP CUT|低音すっきり", kPopCut, {{kPopCutFrequency, "FREQUENCY|音の場所"}, {kInput, "INPUT|入り口"}}},
    {{332.667f, 376, 647.333f, 519}, "VOICE EQ|音色を整える", kEq, {{kEqLow, "LOW|低音"}, {kEqLowMid, "LOW MID|低め中音"}, {kEqMid, "MID|中音"}, {kEqHighMid, "HIGH MID|高め中音"}, {kEqHigh, "HIGH|高音"}}},
    {{647.333f, 376, 962, 519}, "LEVELER|音量差を整える", kLeveler, {{kLevelTarget, "TARGET|目標音量"}, {kLevelRange, "RANGE|動く幅"}, {kLevelerSpeed, "SPEED|追う速さ"}, {kLevelerSensitivity, "SENSITIVITY|反応"}}},
    {{18, 519, 332.667f, 662}, "S CLEAR|歯擦音やさしく", kSClear, {{kSClearAmount, "AMOUNT|かかり具合"}, {kSClearFocus, "FOCUS|ねらう音"}}},
    {{332.667f, 519, 647.333f, 662}, "COMP|勢いを整える", kComp, {{kCompThreshold, "THRESHOLD|しきい値"}, {kCompRatio, "RATIO|圧縮比"}, {kCompAttack, "ATTACK|つかむ速さ"}, {kCompRelease, "RELEASE|戻る速さ"}, {kCompMix, "MIX|まぜ具合"}}},
    {{647.333f, 519, 962, 662}, "CLIP GUARD|ピークを守る", kClipGuard, {{kCeiling, "CEILING|音量の上限"}, {kClipGuardAmount, "AMOUNT|かかり具合"}, {kOutput, "OUTPUT|出口"}}},
};
const std::vector<CardCase> kCreativeCards = {
    {{18, 376, 332.667f, 519}, "DISTORTION|音を大胆に壊す", kDistortion, {{kDrive, "DRIVE|ぐしゃっと"}, {kDistortionTone, "TONE|音色"}, {kDistortionMix, "MIX|まぜ具合"}, {kDistortionStyle, "STYLE|壊し方"}}},
    {{332.667f, 376, 647.333f, 519}, "PHASER|音をしゅわっと", kPhaser, {{kPhaserRate, "RATE|揺れる速さ"}, {kPhaserDepth, "DEPTH|揺れの深さ"}, {kPhaserFeedback, "FEEDBACK|くり返し"}, {kPhaserMix, "MIX|まぜ具合"}}},
    {{647.333f, 376, 962, 519}, "TREMOLO|音量ゆらゆら", kTremolo, {{kTremoloRate, "RATE|揺れる速さ"}, {kTremoloDepth, "DEPTH|揺れの深さ"}, {kTremoloDivision, "DIVISION|音符"}}},
    {{18, 519, 647.333f, 662}, "DELAY|こだまを彩る", kDelay, {{kDelayTime, "TIME|時間"}, {kDelayFeedback, "FEEDBACK|くり返し"}, {kDelayWet, "WET|エフェクト量"}, {kDelayLowCut, "LOW CUT|低音カット"}, {kDelayHighCut, "HIGH CUT|高音カット"}, {kDelayWidth, "WIDTH|広がり"}}},
    {{647.333f, 519, 962, 662}, "REVERB|余韻ふんわり", kReverb, {{kReverbSize, "SIZE|空間の広さ"}, {kReverbDecay, "DECAY|余韻"}, {kReverbPreDelay, "PRE-DELAY|響く前"}, {kReverbWet, "WET|エフェクト量"}}},
};
// clang-format on

TEST(EditorLayout, BothStudioSubPagesHoldTheirModuleCards)
{
    for (const bool creative : {false, true})
    {
        EditorRig rig = studioRig(creative);
        // A card is its cell inset 4, POWER 72 x 25 at its top right, the knobs in equal columns 75 high.
        std::vector<Row> rows = {
            {"nav|\u21E2  ROUTING", {18, 158, 146, 192}},
            {"nav|*\u25EB  STUDIO", {152, 158, 280, 192}},
            {creative ? "nav|TONE + DYNAMICS" : "nav|*TONE + DYNAMICS", {294, 158, 419, 192}},
            {creative ? "nav|*CREATIVE + SPACE" : "nav|CREATIVE + SPACE", {425, 158, 550, 192}},
            kUndo,
            kReset};
        for (const CardCase& c : creative ? kCreativeCards : kToneCards)
        {
            const IRECT& r = c.cell;
            rows.push_back({std::string("modcard|") + c.card, r.GetPadded(-4), c.power});
            rows.push_back({"power|POWER", {r.R - 83, r.T + 9, r.R - 11, r.T + 34}, c.power});
            const float kw = (r.W() - 18) / static_cast<float>(c.knobs.size());
            for (std::size_t i = 0; i < c.knobs.size(); ++i)
                rows.push_back({std::string("knob|") + c.knobs[i].second,
                                {r.L + 12 + kw * i, r.T + 56, r.L + 6 + kw * (i + 1), r.B - 12},
                                c.knobs[i].first});
        }
        const int next = expectRows(rig.g, 0, kHeaderToAnalysis, "studio header");
        EXPECT_EQ(expectRows(rig.g, next, rows, creative ? "CREATIVE + SPACE" : "TONE + DYNAMICS"),
                  rig.g.NControls());
    }
}

// The palette's roles where they show: window background, selected theme button, compare button,
// detail card; knobs in the knob style, the analyzer in its own dark one.
TEST(EditorLayout, EachThemePaintsItsPalette)
{
    const struct
    {
        IColor background, ink, accent, accent2, panel;
    } themes[] = {
        {{255, 253, 247, 252},
         {255, 53, 29, 69},
         {255, 255, 92, 145},
         {255, 170, 129, 245},
         {255, 255, 242, 248}},
        {{255, 31, 24, 43},
         {255, 245, 233, 255},
         {255, 255, 92, 145},
         {255, 199, 143, 255},
         {255, 55, 40, 69}},
        {{255, 33, 26, 45},
         {255, 248, 246, 250},
         {255, 47, 126, 165},
         {255, 215, 154, 199},
         {255, 48, 39, 63}},
    };
    for (int t = 0; t < 3; ++t)
    {
        const auto& c = themes[t];
        EditorRig rig([&](PomeluRarorudIzad& p) { p.GetParam(kTheme)->Set(t); });
        rig.g.DrawFrame();
        EXPECT_EQ(PixelAt(rig.g, 5, 5), c.background) << t;
        EXPECT_EQ(PixelAt(rig.g, 447 + 60 * t, 24), c.accent) << t << ": the selected theme button";
        EXPECT_EQ(PixelAt(rig.g, 793, 24), c.accent2) << t << ": the compare button";
        EXPECT_EQ(PixelAt(rig.g, 500, 415), c.panel) << t << ": the detail card";
        const IVStyle& knob =
            dynamic_cast<const IVectorBase&>(*rig.g.GetControl(rig.g.NControls() - 1)).GetStyle();
        const IVColorSpec knobColors = {c.panel,          c.accent, c.accent2, c.ink,   c.accent,
                                        {50, 60, 30, 70}, c.ink,    c.accent2, c.accent};
        EXPECT_EQ(knob.colorSpec, knobColors) << t;
        EXPECT_EQ(knob.widgetFrac, 0.78f);
        EXPECT_EQ(knob.labelText.size + knob.valueText.size, 11.0f + 12.0f);
        const IVStyle& analyzer = dynamic_cast<const IVectorBase&>(*rig.g.GetControlWithTag(100)).GetStyle();
        EXPECT_EQ(analyzer.colorSpec[kBG], IColor(255, 42, 28, 57));
        EXPECT_EQ(analyzer.colorSpec[kFG], c.accent);
        EXPECT_EQ(analyzer.labelText.fgColor, IColor(255, 255, 230, 242));
        const IVStyle& meter = dynamic_cast<const IVectorBase&>(*rig.g.GetControlWithTag(101)).GetStyle();
        EXPECT_EQ(meter.colorSpec, analyzer.colorSpec) << t;
        // The compressor curve as drawn: its threshold point in accent, the live dot (no block has
        // run: the lower left corner) in accent2.
        for (int i = 0; i < rig.g.NControls(); ++i)
            if (const auto* comp = dynamic_cast<const editor::CompCurveControl*>(rig.g.GetControl(i)))
            {
                const editor::CompAxes axes = comp->GetAxes();
                const auto pixel = [&](double xDb, double yDb, int dx, int dy)
                {
                    return PixelAt(rig.g, static_cast<int>(std::lround(axes.xForDb(xDb))) + dx,
                                   static_cast<int>(std::lround(axes.yForDb(yDb))) + dy);
                };
                EXPECT_EQ(pixel(-18.0, -18.0, 0, 0), c.accent) << t << ": the threshold point";
                EXPECT_EQ(pixel(-60.0, -60.0, 1, -1), c.accent2) << t << ": the live dot";
            }
    }
    for (const auto& [value, index] : {std::pair{1.99, 1}, {2.5, 2}, {3.0, 0}, {-0.5, 0}, {std::nan(""), 0}})
        EXPECT_EQ(editor::ThemeIndexFor(value), index) << value;
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
        collect(detailRig(d.module, d.tab));
    for (const bool creative : {false, true})
        collect(studioRig(creative));
    reached.erase(kNoParameter);
    EXPECT_EQ(reached.size(), static_cast<std::size_t>(kNumParams - 1));
    EXPECT_EQ(reached.count(kTheme), 0u);
}

// The knob labels' lookup is checked by the tables above; here its fallbacks and the chips' names.
TEST(EditorLabels, UnknownLabelsFallBackToTheEnglishAndModulesHaveShortNames)
{
    EXPECT_STREQ(editor::JapaneseLabelFor("Low"), "Low");
    EXPECT_STREQ(editor::JapaneseLabelFor(nullptr), "");
    EXPECT_STREQ(editor::ModuleShortName(ModuleId::SClear), "S CLEAR");
    EXPECT_STREQ(editor::ModuleShortName(static_cast<ModuleId>(11)), "?");
}

} // namespace
} // namespace pomelu::test
