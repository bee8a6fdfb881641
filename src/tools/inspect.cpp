#include "tools/inspect.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "text/text_rules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <iterator>
#include <sstream>

namespace inspect {
namespace {

// Every subcommand of the tool; later ones are added here.
std::vector<Subcommand> subcommands() {
    return {parseCommand(), blocksCommand(), readCommand(), summaryCommand(),
#if defined(WENDREL_INSPECT_IMAGE)
            imageCommand(),
#endif
    };
}

void printToolHelp(std::ostream& out) {
    out << "Usage: wendrel-inspect <command> [options]\n"
           "Replays what Wendrel would read, without a desktop.\n\n"
           "Commands:\n";
    for (const Subcommand& command : subcommands()) out << "  " << command.name << "\t" << command.summary << "\n";
    out << "\nRun 'wendrel-inspect <command> --help' for a command's options.\n"
           "Exit status: 0 result printed, 1 no result, 2 bad input.\n";
}

std::optional<int> digits(std::string_view s) {
    int value = 0;
    if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::from_chars(s.data(), s.data() + s.size(), value);
    return value;
}

}  // namespace

int run(const std::vector<std::string>& args, Io& io) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        printToolHelp(args.empty() ? io.err : io.out);
        return args.empty() ? badInput : ok;
    }
    for (const Subcommand& command : subcommands()) {
        if (command.name != args[0]) continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
            io.out << command.help;
            return ok;
        }
        try {
            return command.run(rest, io);
        } catch (const BadInput& bad) {
            // The message may quote the input or an argument.
            io.err << "wendrel-inspect " << command.name << ": " << text::wellFormedUtf8(bad.message) << "\n";
            return badInput;
        }
    }
    io.err << "wendrel-inspect: unknown command '" << text::wellFormedUtf8(args[0]) << "' (see wendrel-inspect --help)\n";
    return badInput;
}

std::string readAll(std::istream& in) {
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::optional<std::chrono::system_clock::time_point> parseIsoDate(std::string_view s) {
    using namespace std::chrono;
    // YYYY-MM-DDTHH:MM:SS, then an optional fraction, then Z or ±HH:MM.
    if (s.size() < 20 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != 't') || s[13] != ':' ||
        s[16] != ':')
        return std::nullopt;
    const auto y = digits(s.substr(0, 4)), mo = digits(s.substr(5, 2)), d = digits(s.substr(8, 2));
    const auto h = digits(s.substr(11, 2)), mi = digits(s.substr(14, 2)), sec = digits(s.substr(17, 2));
    if (!y || !mo || !d || !h || !mi || !sec || *h > 23 || *mi > 59 || *sec > 59) return std::nullopt;
    const year_month_day day{year{*y}, month{static_cast<unsigned>(*mo)}, std::chrono::day{static_cast<unsigned>(*d)}};
    if (!day.ok()) return std::nullopt;

    std::size_t at = 19;
    nanoseconds fraction{0};
    if (at < s.size() && s[at] == '.') {
        const std::size_t start = ++at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
        const std::string_view figures = s.substr(start, at - start);
        if (figures.empty()) return std::nullopt;
        long long ns = 0;
        for (std::size_t i = 0; i < 9; ++i) ns = ns * 10 + (i < figures.size() ? figures[i] - '0' : 0);
        fraction = nanoseconds{ns};
    }
    minutes offset{0};
    const std::string_view zone = s.substr(at);
    if (zone == "Z" || zone == "z") {
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        const auto oh = digits(zone.substr(1, 2)), om = digits(zone.substr(4, 2));
        if (!oh || !om || *oh > 23 || *om > 59) return std::nullopt;
        offset = minutes{(*oh * 60 + *om) * (zone[0] == '-' ? -1 : 1)};
    } else {
        return std::nullopt;
    }
    // Whole seconds first: the system clock counts nanoseconds and holds only
    // the years 1677 to 2262; a time beyond them is refused, not wrapped.
    const sys_seconds utc = sys_days{day} + hours{*h} + minutes{*mi} + seconds{*sec} - offset;
    using Clock = system_clock::time_point;
    if (utc < ceil<seconds>(Clock::min()) || utc >= floor<seconds>(Clock::max())) return std::nullopt;
    return time_point_cast<system_clock::duration>(utc) + duration_cast<system_clock::duration>(fraction);
}

Options parseOptions(const std::vector<std::string>& args, const std::vector<std::string_view>& allowedFlags,
                     bool takesDate, std::size_t positionalCount, bool takesWindow) {
    Options options;
    // The value of --name VALUE or --name=VALUE at args[i], if args[i] is that option.
    const auto valueOf = [&](std::size_t& i, std::string_view name, std::string_view example) -> std::optional<std::string> {
        const std::string& arg = args[i];
        const std::string withEquals = std::string(name) + "=";
        if (arg.starts_with(withEquals)) return arg.substr(withEquals.size());
        if (arg != name) return std::nullopt;
        if (i + 1 >= args.size()) throw BadInput{std::string(name) + " needs a value such as " + std::string(example)};
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            options.help = true;
        } else if (const auto date = takesDate ? valueOf(i, "--date", "2026-12-06T08:51:08Z") : std::nullopt) {
            options.date = parseIsoDate(*date);
            if (!options.date)
                throw BadInput{"bad --date '" + *date + "': expected an ISO 8601 time such as 2026-12-06T08:51:08.9Z, in the years 1678 to 2261"};
        } else if (const auto window = takesWindow ? valueOf(i, "--window", "1440x900") : std::nullopt) {
            options.window = *window;
        } else if (std::find(allowedFlags.begin(), allowedFlags.end(), arg) != allowedFlags.end()) {
            options.flags.push_back(arg);
        } else if (arg.starts_with("--")) {
            throw BadInput{"unknown option '" + arg + "'"};
        } else {
            options.positional.push_back(arg);
        }
    }
    if (options.positional.size() != positionalCount)
        throw BadInput{"expected " + std::to_string(positionalCount) + " argument(s), got " +
                       std::to_string(options.positional.size())};
    return options;
}

std::chrono::system_clock::time_point dateOrNow(const Options& options) {
    return options.date.value_or(std::chrono::system_clock::now());
}

void requireUtf8(std::string_view input) {
    const std::size_t good = text::wellFormedPrefixLength(input);
    if (good == input.size()) return;
    throw BadInput{"standard input is not UTF-8: ill-formed byte at offset " + std::to_string(good) +
                   " (convert the file to UTF-8 first)"};
}

nlohmann::json readJsonArray(std::string_view json, std::string_view elements) {
    requireUtf8(json);
    nlohmann::json value;
    try {
        value = nlohmann::json::parse(json);
    } catch (const nlohmann::json::exception& e) {
        throw BadInput{std::string("standard input is not valid JSON in UTF-8: ") + e.what()};
    }
    if (!value.is_array()) throw BadInput{"standard input must be a JSON array of " + std::string(elements)};
    return value;
}

std::vector<std::string> readStringArray(std::string_view json) {
    const nlohmann::json value = readJsonArray(json, "strings");
    std::vector<std::string> strings;
    strings.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!value[i].is_string())
            throw BadInput{"element " + std::to_string(i) + " of the array is not a string"};
        strings.push_back(value[i].get<std::string>());
    }
    return strings;
}

int printPayloadOf(const std::vector<std::string>& strings, std::chrono::system_clock::time_point date, Io& io,
                   std::string_view noResultReason) {
    const auto result = AmapParser::parse(strings, date);
    if (!result) {
        io.err << noResultReason << "\n";
        return noResult;
    }
    const auto payload = payloadText(*result);
    if (!payload) {
        io.err << "结果生成失败：" << payload.error().description << "\n";
        return noResult;
    }
    io.out << payload.value() << "\n";
    return ok;
}

}  // namespace inspect
