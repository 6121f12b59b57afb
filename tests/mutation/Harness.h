// The mutation test's harness: every target turns bytes into one input of the program (a layout, a
// string table, a stored time, pause values, a settings file) and checks a cheap property of what
// the program made of it. Inputs are real files mutated by a seeded generator, so a target, a seed
// and an index name one input exactly; they run in a child process that the test watches for a
// crash, a hang (a time limit per input) and its memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Mutation {

// "" when what the program made of `input` is sane, otherwise what is wrong with it.
using Check = std::function<std::string(const std::string& input)>;

struct Target {
    const char* name;
    // Inputs in normal runs; LULLGATE_MUTATION_ITERATIONS replaces it for longer ones.
    int iterations;
    // Real inputs to mutate, and fragments worth inserting into this format.
    std::function<std::vector<std::string>()> seeds;
    std::vector<std::string> tokens;
    // Prepares the child process (sandbox, folders, sessions) and returns its check; the check
    // keeps whatever it needs alive.
    std::function<Check()> start;
};

const std::vector<Target>& Targets();

// The input `index` of the run with `seed`: one of the seeds with one to eight mutations.
[[nodiscard]] std::string MakeInput(const Target& target, const std::vector<std::string>& seeds, std::uint64_t seed,
                                    std::uint64_t index);

// What a child run found: nothing (kind empty), or the first input that crashed, hung, grew the
// process beyond its memory bound or gave an insane result, and where that input was saved.
struct Fault {
    std::string kind;
    std::uint64_t index = 0;
    std::string detail;
    std::wstring savedInput;
};

// Runs the target's inputs [0, count) in child processes until the first fault, whose input it saves.
[[nodiscard]] Fault RunInChildren(const Target& target, std::uint64_t seed, std::uint64_t count);

// The number in environment variable `name`, or `fallback` when it is unset.
[[nodiscard]] std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback);

} // namespace Mutation
