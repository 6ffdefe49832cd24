// The combination table as the module compiles it, against the description's
// table as the reference model transcribes it, and the selection that reaches
// its rows. A row added to one and not the other fails here.
#include "ladder_reference.h"
#include "selection.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

namespace {

using ladder::CombinationRow;

TEST(LadderTable, RowsMatchTheDescription) {
  ASSERT_EQ(std::size(ladder_test::kRowText), static_cast<size_t>(ladder::kRoutineCount));
  for (int e = 0; e < ladder::kRoutineCount; ++e) {
    const CombinationRow &row = ladder::kCombinations[e];
    const ladder_test::Row want = ladder_test::ParseRow(e);
    SCOPED_TRACE(testing::Message() << "row " << e);
    EXPECT_EQ(row.pitchOffset, want.offset);
    EXPECT_EQ(row.upperBound, want.upper);
    EXPECT_EQ(row.indexFloor, want.floor);
    EXPECT_EQ(row.k, want.k);
    ASSERT_EQ(ladder::StageCount(row), static_cast<int>(want.stages.size()));
    for (size_t k = 0; k < want.stages.size(); ++k) {
      EXPECT_EQ(static_cast<int>(row.stages[k].pole), want.stages[k].coef) << "stage " << k + 1;
      EXPECT_EQ(row.stages[k].stateClip, static_cast<float>(want.stages[k].l1))
          << "stage " << k + 1;
      EXPECT_EQ(row.stages[k].outputClip, static_cast<float>(want.stages[k].l2))
          << "stage " << k + 1;
    }
    EXPECT_EQ(row.output.stage, want.outStage);
    EXPECT_EQ(row.output.mixState, want.xState);
    EXPECT_EQ(row.feedback.stage, want.fbStage);
    EXPECT_EQ(row.feedback.shaped, want.shaped);
  }
}

TEST(LadderTable, EveryChoiceSelectsItsRowAndGainAndEveryRowIsReached) {
  std::set<int> reached;
  for (int16_t tap = 0; tap < ladder::kFilterTapCount; ++tap)
    for (int16_t q = 0; q < ladder::kQTapCount; ++q)
      for (int16_t emulate = 0; emulate < ladder::kEmulateCount; ++emulate) {
        ladder_test::Choices c;
        c.filterTap = tap;
        c.qTap = q;
        c.emulate = emulate;
        const ladder::Selection s = ladder::SelectCombination(tap, q, emulate);
        EXPECT_EQ(s.routine, ladder_test::RoutineFor(c)) << tap << "/" << q << "/" << emulate;
        EXPECT_EQ(s.gain, static_cast<float>(ladder_test::GainFor(c)));
        reached.insert(s.routine);
      }
  EXPECT_EQ(reached.size(), static_cast<size_t>(ladder::kRoutineCount));
}

} // namespace
