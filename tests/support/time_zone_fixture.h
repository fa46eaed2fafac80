#pragma once
// A test whose clock reads in one time zone, whatever the machine's; the zone before is restored.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace pirolex::testtz {

template <const char* kZone>
class InTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        setenv("TZ", kZone, 1);
        tzset();
    }
    void TearDown() override {
        if (saved_) setenv("TZ", saved_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

inline constexpr char kUtc[] = "UTC0";
inline constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

}  // namespace pirolex::testtz
