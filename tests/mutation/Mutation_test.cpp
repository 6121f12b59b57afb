// The mutation test: every target's inputs from a fixed seed, run in child processes. A normal run
// stays within a few seconds per target; a longer one, for occasional use, sets
//   LULLGATE_MUTATION_ITERATIONS  inputs per target (replaces each target's own count)
//   LULLGATE_MUTATION_SEED        another sequence of inputs (default 1)
//   LULLGATE_MUTATION_HANG_MS     the time limit per input (default 5000)
// and runs the executable directly, since ctest would end it after two minutes. A fault names its
// input and where it was saved; "mutation_tests.exe --mutation-child <target> <seed> <index> 1 0"
// runs that input alone, "mutation_tests.exe --mutation-replay <target> <file>" a saved one.
#include "tests/mutation/Harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

std::vector<const Mutation::Target*> AllTargets() {
    std::vector<const Mutation::Target*> all;
    for (const Mutation::Target& target : Mutation::Targets()) {
        all.push_back(&target);
    }
    return all;
}

} // namespace

namespace Mutation {
// Names the target where ctest lists the test.
void PrintTo(const Target* target, std::ostream* os) {
    *os << target->name;
}
} // namespace Mutation

namespace {

class MutationTest : public ::testing::TestWithParam<const Mutation::Target*> {};

TEST_P(MutationTest, NoCrashHangMemoryOrInsaneResult) {
    const Mutation::Target& target = *GetParam();
    const bool longRun = std::getenv("LULLGATE_MUTATION_ITERATIONS") != nullptr;
    const std::uint64_t seed = FromEnvironment("LULLGATE_MUTATION_SEED", 1);
    const std::uint64_t count =
        FromEnvironment("LULLGATE_MUTATION_ITERATIONS", static_cast<std::uint64_t>(target.iterations));
    for (const Mutation::Fault& fault : Mutation::RunInChildren(target, seed, count, longRun ? 20 : 3)) {
        ADD_FAILURE() << target.name << ": " << fault.kind << " at input " << fault.index << " of seed " << seed << " ("
                      << fault.detail << "), saved to "
                      << std::string(fault.savedInput.begin(), fault.savedInput.end());
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, MutationTest, ::testing::ValuesIn(AllTargets()),
                         [](const ::testing::TestParamInfo<const Mutation::Target*>& param) {
                             std::string name = param.param->name;
                             for (char& c : name) {
                                 c = c == '-' ? '_' : c;
                             }
                             return name;
                         });

} // namespace
