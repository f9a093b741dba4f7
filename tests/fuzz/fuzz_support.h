// What the fuzz harnesses share: an engine at its start-up state, the input
// written to a file of the process's own (the readers take a path), scripted
// answers to boxes, and a check that stops the fuzzer when a property fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qelfuzz {

// Once per process: start-up state, limits and a box handler that answers
// with the next scripted answer (OK when none is left).
void StartEngine();

// The answers to the boxes of the next call, in order: bit k of `bits`
// answers box k with Cancel when set.
void ScriptAnswers(unsigned bits);

// Writes the bytes to this process's scratch file `name` and returns its path.
std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size);
std::string WriteScratch(const std::string& name, const std::string& text);

// Path of a file of the repository.
std::string RepoPath(const std::string& relative);

// Ends the process with the message when the condition does not hold, so
// libFuzzer keeps the input that broke it.
void Require(bool condition, const char* what);

// Every neighbour list of arrBB in a form that compares whole, and the
// properties a load must leave: counts within the list, no block its own
// neighbour, every neighbour a record number, both sides listed.
std::string NeighbourLists();
void RequireSoundNeighbourLists();

}  // namespace qelfuzz
