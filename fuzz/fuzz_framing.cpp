// Feeds arbitrary deliveries through the receive handler's framing rule and checks what
// it must never do: lose track of the input, invent bytes, reorder them, let the input
// pile up, or yield a voltage or a readout text that is off the board's scale.
//
// The input is a sequence of deliveries, each a header byte, a gap byte and the bytes:
//   header: bits 0..5 the chunk length, bit 7 set = no notification after this chunk
//           (the event loop was busy)
//   gap:    ms since the previous chunk; 0..199 as is, above that in 100 ms steps
#include "acquisition/frameassembler.h"
#include "acquisition/generalformat.h"
#include "protocol/boardprotocol.h"

#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "framing invariant broken: %s\n", what);
        std::abort();
    }
}

// The frames must be adjacent pairs of the consumed bytes, in order (the earliest match
// is as good as any), and a byte can only have been dropped where a silence followed it.
void checkAccounting(const FrameAssembler &assembler, const std::vector<ArrivedByte> &waiting,
                     const FramingResult &result)
{
    const std::size_t consumed = std::size_t(result.consumed);
    std::size_t at = 0;
    for (const Frame &frame : result.frames) {
        while (at + 1 < consumed
               && (waiting[at].value != frame.byte0 || waiting[at + 1].value != frame.byte1))
            ++at;
        check(at + 1 < consumed, "a frame not made of the consumed bytes in order");
        at += 2;
    }
    int silences = 0;
    for (std::size_t i = 0; i < consumed && i + 1 < waiting.size(); ++i)
        silences += waiting[i + 1].arrivedMs - waiting[i].arrivedMs > assembler.strayGapMs();
    check(result.discarded <= silences, "a byte without a silence after it was dropped");
}

void checkVoltage(float volts)
{
    check(volts >= 0.0f && volts <= 4.9951171875f, "voltage off the 5 V scale");
    const QString text = formatGeneral(double(volts), QLocale::c());
    bool ok = false;
    check(QLocale::c().toDouble(text, &ok) == double(volts) && ok,
          "readout text does not read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const FrameAssembler assembler(kDefaultByteTimeMs); // the board's own line
    std::deque<ArrivedByte> input;
    std::int64_t now = 0;
    std::size_t pos = 0;

    const auto notify = [&] {
        const std::vector<ArrivedByte> waiting(input.begin(), input.end());
        const FramingResult result = assembler.take(waiting);
        const int count = int(waiting.size());
        check(result.consumed >= 0 && result.consumed <= count, "consumed more than waiting");
        check(int(result.frames.size()) * kFrameSize + result.discarded == result.consumed,
              "frames and strays do not add up to what was consumed");
        if (count < kFrameSize)
            check(result.consumed == 0, "half a frame was taken");
        if (count == kFrameSize)
            check(result.frames.size() == 1, "two waiting bytes are not one frame");
        check(count - result.consumed <= (count >= kFrameSize ? 1 : count),
              "more than one byte left waiting");
        checkAccounting(assembler, waiting, result);
        input.erase(input.begin(), input.begin() + result.consumed);
        for (const Frame &frame : result.frames)
            checkVoltage(frameVoltage(frame.byte0, frame.byte1));
    };

    while (pos + 2 <= size) {
        const std::uint8_t header = data[pos];
        const std::uint8_t gap = data[pos + 1];
        pos += 2;
        now += gap < 200 ? gap : (gap - 199) * 100;
        const std::size_t length = std::min<std::size_t>(header & 0x3F, size - pos);
        for (std::size_t i = 0; i < length; ++i)
            input.push_back({data[pos + i], now});
        pos += length;
        if (!(header & 0x80))
            notify();
    }
    notify();
    check(input.size() <= 1, "input piles up");
    return 0;
}
