// The mutation test: every target's inputs from a fixed seed, run in child processes. A normal run
// stays within a few seconds per target; a longer one, for occasional use, sets
//   LULLGATE_MUTATION_ITERATIONS  inputs per target (replaces each target's own count)
//   LULLGATE_MUTATION_SEED        another sequence of inputs (default 1)
//   LULLGATE_MUTATION_HANG_MS     the time limit per input (default 5000)
// and runs the executable directly, since ctest would end it after two minutes. A fault names its
// input and where it was saved; "mutation_tests.exe --mutation-replay <target> <file>" runs a saved
// input alone.
#include "tests/mutation/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// One test per target, named after it (--gtest_filter=*layout runs one).
class MutationTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MutationTest, NoCrashHangMemoryOrInsaneResult) {
    const Mutation::Target& target = Mutation::Targets()[GetParam()];
    const std::uint64_t seed = Mutation::FromEnvironment("LULLGATE_MUTATION_SEED", 1);
    const std::uint64_t count =
        Mutation::FromEnvironment("LULLGATE_MUTATION_ITERATIONS", static_cast<std::uint64_t>(target.iterations));
    const Mutation::Fault fault = Mutation::RunInChildren(target, seed, count);
    EXPECT_TRUE(fault.kind.empty()) << target.name << ": " << fault.kind << " at input " << fault.index << " of seed "
                                    << seed << " (" << fault.detail << "), saved to "
                                    << std::string(fault.savedInput.begin(), fault.savedInput.end());
}

INSTANTIATE_TEST_SUITE_P(Targets, MutationTest, ::testing::Range<std::size_t>(0, Mutation::Targets().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& param) {
                             std::string name = Mutation::Targets()[param.param].name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
