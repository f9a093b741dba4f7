// The run-time layer under the engine (conversions, tables, clock, files)
// and the engine's state, seen through the public header alone.

#include <cmath>
#include <functional>
#include <new>
#include <tuple>
#include <type_traits>

#include "test_support.h"

using namespace qel;
using qeltest::ErrorOf;

namespace {

TEST(Conversions, RoundingTextAndErrors) {
  EXPECT_EQ((std::vector<int>{CInt(2.5), CInt(3.5), CInt(-2.5), CInt(-32768.5), CInt(std::string(" 07 ")),
                              CInt(std::string("-1234")), CInt(std::string(" 98 "))}),
            (std::vector<int>{2, 4, -2, -32768, 7, -1234, 98}));
  for (double v : {32767.5, -32769.0, std::nan(""), 1.7E+308}) EXPECT_EQ(ErrorOf([v] { CInt(v); }), kErrOverflow) << v;
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  for (const char* text : {"abc", "", "1.2.3", "inf", "nan", "12,5", "0x10"})
    EXPECT_EQ(ErrorOf([text] { CDbl(text); }), kErrTypeMismatch) << text;
  for (const std::string& text : {std::string("1.5e999"), std::string(400, '9')})
    EXPECT_EQ(ErrorOf([&] { CDbl(text); }), kErrOverflow) << text.size();
  for (const std::string& text : {std::string("1e-999"), "0." + std::string(700, '0') + "1e300"})
    EXPECT_EQ(CDbl(text), 0.0) << text;  // too small for a float: 0
  EXPECT_EQ(ErrorFromException(std::make_exception_ptr(std::bad_alloc())).Number(), kErrOutOfMemory);
  EXPECT_DOUBLE_EQ(CDbl(" -1.5e3 "), -1500.0);
  const std::pair<double, const char*> texts[] = {{1.7E+308, "1.7E+308"}, {1E-08, "1E-08"}, {2900.0 / 120.0, "24.1666666666667"},
                                                  {-0.0, "0"}, {0.1 + 0.2, "0.3"}, {1E15, "1E+15"}, {0.0001, "0.0001"},
                                                  {HUGE_VAL, "Inf"}, {-HUGE_VAL, "-Inf"}};
  for (const auto& [value, text] : texts) EXPECT_EQ(Str(value), text);
}

TEST(Tables, EveryIndexWithinTheBoundsIsItsOwnAndNoneBeyond) {
  struct {
    Table<int, -1, 2> one;
    Table2<int, 1, 3, 0, 2> two;
    int guard[12] = {};  // what a table too small would read instead
  } t;
  t.one.Fill(7);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j) t.two(i, j) = 7;
  for (int i = -1; i <= 2; ++i) EXPECT_EQ(t.one(i), 7);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j) EXPECT_EQ(t.two(i, j), 7) << i << ',' << j;
  const auto& c = t;
  for (const auto& outside : std::vector<std::function<void()>>{
           [&] { c.one(3); }, [&] { c.one(-2); }, [&] { t.one(3); }, [&] { c.two(4, 0); }, [&] { t.two(1, 3); }})
    EXPECT_EQ(ErrorOf(outside), kErrSubscript);
}

TEST(Clock, TimeAndDateOfTheLocalClock) {
  setenv("TZ", "UTC", 1);
  tzset();
  SetClock([] { return 1700000000.5; });
  const TimeAndDate now = TimeAndDateNow();
  EXPECT_EQ(now.time + " " + now.date, "22:13:20 2023-11-14");
  EXPECT_EQ(TimeOfDay(), 80000.5);
  SetClock(nullptr);
}

class Files : public qeltest::EngineTest {};

TEST_F(Files, LinesEndInCrLfLfOrCr) {
  const std::string text = "one\r\ntwo\nthree\rfour\r\r\nsix";
  const std::vector<std::string> expected{"one", "two", "three", "four", "", "six"};
  for (bool view : {false, true}) {
    FileOpenInput(1, WriteFile("a.txt", text));
    std::vector<std::string> lines;
    std::string spill;
    while (!FileEof(1)) lines.push_back(view ? std::string(LineView(1, spill)) : LineInput(1));
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ErrorOf([] { LineInput(1); }), 62);  // the number the user's box shows
    FileClose(1);
  }
}

// Every scalar of the engine's state.
auto Scalars() {
  using namespace qel;
  return std::tie(intMaxRecs, intMaxTracts, intMaxNbrs, intMaxMembers, intMaxZoneBBs, intNRecs,
                  strInputFile, dblTotPopA, dblTotPopB, intNHomVars, blnDemoFile, intNZones, dblTotalPop, intNIBB,
                  intNTracts, intTargetTracts, blnThresholdPop, dblThreshold, blnTargetPop, dblTarget, blnShape,
                  dblShapeWeight, blnHomog, dblHomWeight, intNHomGroups, blnFixedA, blnFixedB, intPopLayer, blnApprox,
                  blnIRAApprox, blnSA, blnNoConstraints, blnFixedCount, blnMinOnly, intNIterations, intRunHeader,
                  strRunFile, datRunStart, intRandomSeed, dblOffsetPct, dblSAStart, dblPopWeight, dblApxWeight,
                  blnContCheck, dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblCurApx, dblRefTP, dblRefP2A, dblRefIAC,
                  dblRefMin, dblRefApx, dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx, dblHomPopTot,
                  dblHomPopSumSq, dblHomPopSqRatio, dblHomPopMean, dblHomN0, intNBestTracts, intNBestIBB, intBestIteration,
                  intElapsedSecs, intIslandsSkipped, blnWriteLUT, frmMainInst);
}
auto Values() {
  return std::apply([](const auto&... v) { return std::tuple(v...); }, Scalars());
}
// At program start: the engine's variables are constant-initialized.
const auto kAtStart = Values();

TEST(MessageBoxes, WithoutAHandlerABoxAnswersOk) {
  SetMessageBoxHandler(nullptr);  // the engine on its own, with no window
  EXPECT_EQ(MsgBox("Tract 1 not fully contiguous", kMbExclamationOkCancel, "Contiguity error"), kIdOk);
}

TEST(EngineState, ResetReturnsEveryScalarToItsValueAtStart) {
  auto change = [](auto& v) {
    using T = std::remove_reference_t<decltype(v)>;
    if constexpr (std::is_same_v<T, bool>) {
      v = !v;
    } else if constexpr (std::is_same_v<T, std::string>) {
      v += "x";
    } else if constexpr (std::is_pointer_v<T>) {
      v = &v;
    } else {
      v = static_cast<T>(v + 1);
    }
  };
  std::apply([&](auto&... v) { (change(v), ...); }, Scalars());
  qel::ResetEngineState();
  EXPECT_EQ(Values(), kAtStart);
}

}  // namespace
