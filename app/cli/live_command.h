#pragma once
// `pirolex live`: listening to a microphone, or playing a file through the same stream, and one
// line per pass as soon as it is reported. What the command needs from the machine (the input
// devices, the clock that paces a file) is handed in, so that a test runs it with fakes and
// without Qt.
//
//   pirolex live [--device NAME] [--temp T] [--max-kmh V] [--json] [--seconds N] [--save TAKE.wav]
//   pirolex live --list-devices
//   pirolex live --from FILE [--speedup K] [--temp T] [--max-kmh V] [--json] [--seconds N] [--save TAKE.wav]

#include "recording_file.h"
#include "sample_source.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace pirolex {

// Paces a file to real time (or K times faster): a test's clock jumps instead of sleeping.
class StreamClock {
public:
    virtual ~StreamClock() = default;
    // Seconds since a fixed moment.
    virtual double Now() = 0;
    // Returns once Now() has reached the moment.
    virtual void SleepUntil(double seconds) = 0;
};

// The machine's steady clock.
StreamClock& SystemClock();

struct LiveSetup {
    InputDevices* devices = nullptr;  // none: no device at all
    StreamClock* clock = nullptr;     // none: the system clock
    FileDecoder decoder = nullptr;    // reads --from in other formats than WAV
};

// Exit status 0 done; 1 no device, the file could not be read, the device went away mid-take
// (the German reason on err, the passes heard until then printed, the take saved where --save
// asks) or the take could not be saved; 2 arguments not understood.
int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const LiveSetup& setup);

}  // namespace pirolex
