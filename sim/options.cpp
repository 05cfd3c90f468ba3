#include "sim/options.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace {

const std::map<std::string, Shape> kShapes{{"constant", Shape::Constant},
                                           {"ramp", Shape::Ramp},
                                           {"sine", Shape::Sine},
                                           {"square", Shape::Square},
                                           {"noise", Shape::Noise}};

// Distinct on every channel, so that each shows something of its own.
Options defaults()
{
    Options options;
    options.channels = {Waveform{Shape::Sine, 0.5, 4.5, 20}, Waveform{Shape::Ramp, 0.0, 5.0, 25},
                        Waveform{Shape::Square, 1.0, 4.0, 10}, Waveform{Shape::Noise, 2.0, 3.0, 1},
                        Waveform{Shape::Constant, 2.5, 2.5, 1}};
    return options;
}

double number(const std::string &option, const std::string &text, double least, double most)
{
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= least && value <= most)) {
        std::ostringstream message;
        message << option << ": '" << text << "' is not a number from " << least << " to " << most;
        throw UsageError(message.str());
    }
    return value;
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// N=SHAPE[,LOW[,HIGH[,PERIOD]]]
void parseChannel(const std::string &text, Options &options)
{
    const auto equals = text.find('=');
    if (equals == std::string::npos)
        throw UsageError("--channel: expected N=SHAPE[,LOW[,HIGH[,PERIOD]]], got '" + text + "'");
    const int channel =
        static_cast<int>(number("--channel", text.substr(0, equals), 1, kChannelCount));
    if (text.substr(0, equals) != std::to_string(channel))
        throw UsageError("--channel: the channel is a whole number from 1 to 5, got '"
                         + text.substr(0, equals) + "'");
    const std::vector<std::string> parts = split(text.substr(equals + 1), ',');
    if (parts.empty() || parts.size() > 4)
        throw UsageError("--channel: expected N=SHAPE[,LOW[,HIGH[,PERIOD]]], got '" + text + "'");
    const auto shape = kShapes.find(parts[0]);
    if (shape == kShapes.end())
        throw UsageError("--channel: unknown shape '" + parts[0]
                         + "' (constant, ramp, sine, square or noise)");
    Waveform &wave = options.channels[channel - 1];
    wave.shape = shape->second;
    if (parts.size() > 1)
        wave.low = number("--channel", parts[1], 0.0, 5.0);
    if (parts.size() > 2)
        wave.high = number("--channel", parts[2], 0.0, 5.0);
    if (parts.size() > 3)
        wave.period = static_cast<int>(number("--channel", parts[3], 1, 1e9));
}

} // namespace

std::string helpText()
{
    return R"(Usage: sensor-board-sim [OPTION]...
Plays the sensor board on a pseudo-terminal. Prints the device to open on the first
line of standard output, then answers each command byte 'k' to 'o' (channels 1 to 5)
with one two-byte frame of that channel's signal. Logs every byte received and every
frame sent to standard error. Stops cleanly on Ctrl-C (SIGINT) or SIGTERM.

Signals (each channel advances one sample per frame it sends):
  --channel N=SHAPE[,LOW[,HIGH[,PERIOD]]]
                     channel N (1 to 5) plays SHAPE: constant (holds LOW), ramp, sine,
                     square or noise, between LOW and HIGH volts (0 to 5), repeating
                     every PERIOD samples. Defaults: 1=sine,0.5,4.5,20  2=ramp,0,5,25
                     3=square,1,4,10  4=noise,2,3  5=constant,2.5
  --reply-delay MS   wait MS milliseconds before answering (default 3)

Misbehaving on purpose:
  --stray N          follow every Nth answer with one stray byte (5a)
  --double           answer every command twice
  --stream RATE      send RATE frames a second unasked, of the channel asked for
                     last (channel 1 at first), while the device is open
  --garbage SECONDS  SECONDS after start, send a burst of 64 random bytes
  --unplug SECONDS   SECONDS after start, close the pseudo-terminal, as if the
                     board's cable were pulled
  --link PATH        keep a symlink at PATH pointing at the pseudo-terminal, and
                     print PATH instead of the device. PATH must not exist; the link
                     is removed on unplug and on exit, unless replaced meanwhile
  --replug SECONDS   SECONDS after the unplug, a new pseudo-terminal comes back at
                     the --link PATH

  --help             show this help and exit

Exit status: 0 when stopped by a signal, 1 when the pseudo-terminal or the link
cannot be made (or the link's PATH already exists), 2 for a bad command line.
)";
}

Options parseOptions(int argc, char **argv)
{
    Options options = defaults();
    const std::vector<std::string> withValue{"--channel", "--reply-delay", "--stray", "--stream",
                                             "--garbage", "--unplug",      "--link",  "--replug"};
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        const auto equals = name.find('=');
        const bool hasInlineValue = name.rfind("--", 0) == 0 && equals != std::string::npos;
        if (hasInlineValue) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const bool takesValue =
            std::find(withValue.begin(), withValue.end(), name) != withValue.end();
        if (takesValue && !hasInlineValue) {
            if (i + 1 >= argc)
                throw UsageError(name + " needs a value");
            value = argv[++i];
        } else if (!takesValue && hasInlineValue) {
            throw UsageError(name + " takes no value");
        }

        if (name == "--help")
            options.help = true;
        else if (name == "--double")
            options.answerTwice = true;
        else if (name == "--channel")
            parseChannel(value, options);
        else if (name == "--reply-delay")
            options.replyDelayMs = static_cast<int>(number(name, value, 0, 60000));
        else if (name == "--stray")
            options.strayEvery = static_cast<int>(number(name, value, 1, 1e9));
        else if (name == "--stream")
            options.streamRate = number(name, value, 0.001, 1e7);
        else if (name == "--garbage")
            options.garbageAfter = number(name, value, 0, 1e7);
        else if (name == "--unplug")
            options.unplugAfter = number(name, value, 0, 1e7);
        else if (name == "--replug")
            options.replugAfter = number(name, value, 0, 1e7);
        else if (name == "--link" && !value.empty())
            options.link = value;
        else if (name == "--link")
            throw UsageError("--link needs a path");
        else
            throw UsageError(std::string("unknown option '") + argv[i] + "'");
    }
    if (options.replugAfter >= 0 && (options.link.empty() || options.unplugAfter < 0))
        throw UsageError("--replug needs --unplug and --link: the new device comes back "
                         "at the link's path");
    return options;
}
