#pragma once
// The fuzzer's seed corpus: one small file of every layout the reader takes and of every way it
// refuses one. The fuzzer mutates from these, so each gets it past a different check quickly.

#include <cstdint>
#include <string>
#include <vector>

namespace pirolex::fuzz {

struct Seed {
    std::string name;  // also the file name the seed generator writes, without ".wav"
    bool accepted;     // whether the reader is meant to load it
    std::vector<uint8_t> bytes;
};

std::vector<Seed> FuzzSeeds();

}  // namespace pirolex::fuzz
