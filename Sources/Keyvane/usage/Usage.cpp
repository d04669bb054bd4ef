// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/usage/Usage.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace keyvane::Usage {

namespace {

constexpr std::size_t lineWidth = 80;
constexpr std::size_t termWidth = 26; // the column where an entry's text starts

// Words of `text` laid out in lines of at most `width` columns, each line after the first
// starting with `indent` spaces (a word longer than a line gets a line of its own).
std::string wrap(const std::string& text, std::size_t firstColumn, std::size_t indent) {
    std::istringstream words(text);
    std::string word;
    std::string out;
    std::size_t column = firstColumn;
    bool lineStarted = false;
    while (words >> word) {
        if (lineStarted && column + 1 + word.size() > lineWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            lineStarted = false;
        }
        if (lineStarted) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineStarted = true;
    }
    return out;
}

// Text as roff reads it literally: backslashes escaped, a dash that starts a word (an option) as
// a minus sign, and no line taken for a request.
std::string roff(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '-' || text[i - 1] == '[' ||
                                text[i - 1] == '|' || text[i - 1] == '(')) {
            out += "\\-";
        } else {
            out += c;
        }
        if (c == '\n' && i + 1 < text.size() && (text[i + 1] == '.' || text[i + 1] == '\'')) {
            out += "\\&";
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) {
        out.insert(0, "\\&");
    }
    return out;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

std::string version() {
    return KEYVANE_VERSION;
}

std::string build() {
    return KEYVANE_BUILD;
}

std::string versionText() {
    return "keyvane " + version() +
           "\nCopyright (C) the Keyvane developers.\nLicense GPLv3+: GNU GPL version 3 or later "
           "<https://gnu.org/licenses/gpl.html>.\nThis is free software: you are free to change and "
           "redistribute it.\nThere is NO WARRANTY, to the extent permitted by law.\n";
}

std::string summary() {
    return "corrects words typed in the wrong keyboard layout";
}

const std::vector<std::string>& synopsis() {
    static const std::vector<std::string> lines{
        "keyvane [--pause [DURATION] | --pause-until-restart | --resume | --test | --help | --version]",
        "keyvane -file PATH | -input TEXT [-type TYPE] [-language LANG] [OPTION VALUE]...",
    };
    return lines;
}

std::string description() {
    return "Keyvane fixes words typed in the wrong keyboard layout on an X11 desktop: \"ghbdtn\" typed "
           "on the English layout becomes \"привет\", and the layout switches to the one that was "
           "meant. English (QWERTY), Russian and Ukrainian, in every pairing. Started "
           "without arguments it runs in the background and corrects every finished word in any "
           "window; it never reads or retypes what is typed into a password field. The same program "
           "also runs the self-test and a developer command line that measures the engine on text.";
}

const std::vector<Section>& sections() {
    static const std::vector<Section> all{
        {"Live program",
         "Without arguments Keyvane starts correcting on the X display named by DISPLAY. One copy "
         "runs per user and display; a second start leaves the running copy alone and exits with "
         "status 0. These options are requests to the running copy:",
         {
             {"--pause [DURATION]", "Pause correcting for DURATION: 15m, 90s, 1h or a number of minutes, "
                                    "more than zero and at most 24h. Without DURATION, 15 minutes."},
             {"--pause-until-restart", "Pause correcting until the program is started again."},
             {"--resume", "Resume correcting."},
         }},
        {"Self-test",
         "",
         {
             {"--test", "Run the built-in conversion tests on the rules file with English, Russian and "
                        "Ukrainian active, print the results and exit with status 0 when all pass."},
         }},
        {"Developer command line",
         "Any of -file, -input, -type or -language chooses the developer command line. Every option takes "
         "one value. Reports go to standard output; result files are written in the current directory.",
         {
             {"-file PATH", "The UTF-8 text file to run on."},
             {"-input TEXT", "Diagnose one input string: how each word is read, scored and decided."},
             {"-type TYPE", "test (the default: which words of a correct text would be changed, or with "
                            "-validation reverse, which mistyped words would not), learn, harvest_ngrams, "
                            "harvest_words or roundtrip."},
             {"-language LANG", "The language the text is written in: en (the default), ru or uk."},
             {"-languages LIST", "The active languages, comma-separated (for example en,ru,uk), in place of "
                                 "the user's preference."},
             {"-session LANG", "The language of the words typed before, for -input: en, ru or uk."},
             {"-validation MODE", "normal (the default) or reverse."},
             {"-minLength N", "The shortest word taken, in letters (default 3 with reverse, else 0)."},
             {"-rules PATH", "A rules file to use in place of the shipped one (never taken from the current "
                             "directory otherwise)."},
             {"-unique BOOL", "Count each distinct word once: true or false (default true with reverse or "
                              "roundtrip)."},
         }},
        {"Information",
         "",
         {
             {"--help, -h", "Print this help and exit."},
             {"--version", "Print the version and exit."},
         }},
        {"Files",
         "",
         {
             {"~/.local/share/keyvane/",
              "The user's data: user_preferences.json (settings), "
              "manual_overrides.json (what was taught), secure_prompts.json (a list "
              "of password prompts that replaces the shipped one) and crash.log. "
              "XDG_DATA_HOME moves it."},
             {"/usr/share/keyvane/",
              "The shipped rules file keyvane_rules.json, the vocabularies and the list "
              "of password prompts."},
             {"~/.config/autostart/keyvane.desktop", "Written while launch at login is on."},
             {"~/.keyvane_dev", "When present, the developer log can be switched on; it is written to "
                                "$XDG_RUNTIME_DIR/keyvane/keyvane.log."},
         }},
        {"Exit status",
         "",
         {
             {"0", "Success, all self-tests passed, or another copy already runs."},
             {"1", "A failure: no X display, no rules file, a bad value for an option, a failed self-test "
                   "or verification."},
             {"2", "An argument the program does not know."},
         }},
    };
    return all;
}

std::string helpText() {
    std::string out;
    for (std::size_t i = 0; i < synopsis().size(); ++i) {
        out += (i == 0 ? "Usage: " : "   or: ") + synopsis()[i] + "\n";
    }
    out += "\n" + wrap(description(), 0, 0) + "\n";
    for (const Section& section : sections()) {
        out += "\n" + section.title + ":\n";
        if (!section.text.empty()) {
            out += "  " + wrap(section.text, 2, 2) + "\n";
        }
        for (const Entry& entry : section.entries) {
            std::string line = "  " + entry.term;
            if (line.size() + 2 > termWidth) {
                line += "\n" + std::string(termWidth, ' ');
            } else {
                line += std::string(termWidth - line.size(), ' ');
            }
            out += line + wrap(entry.text, termWidth, termWidth) + "\n";
        }
    }
    return out;
}

std::string manPage() {
    std::string out = ".TH KEYVANE 1 \"\" \"keyvane " + version() + "\" \"User Commands\"\n";
    out += ".SH NAME\nkeyvane \\- " + roff(summary()) + "\n";
    out += ".SH SYNOPSIS\n.nf\n";
    for (const std::string& line : synopsis()) {
        out += roff(line) + "\n";
    }
    out += ".fi\n.SH DESCRIPTION\n" + roff(description()) + "\n";
    for (const Section& section : sections()) {
        out += ".SH " + upper(section.title) + "\n";
        if (!section.text.empty()) {
            out += roff(section.text) + "\n";
        }
        for (const Entry& entry : section.entries) {
            out += ".TP\n.B " + roff(entry.term) + "\n" + roff(entry.text) + "\n";
        }
    }
    return out;
}

std::optional<std::string> unknownOption(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--pause") {
            // Its duration, when given, is checked by the request itself, with its own message.
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                ++i;
            }
        } else if (arg != "--pause-until-restart" && arg != "--resume") {
            return arg;
        }
    }
    return std::nullopt;
}

std::string unknownOptionMessage(const std::string& argument) {
    std::string shown = argument;
    std::replace_if(
        shown.begin(), shown.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, '?');
    return "keyvane: unknown option \"" + shown + "\"\nUsage: " + synopsis().front() +
           "\nTry \"keyvane --help\" for more.\n";
}

} // namespace keyvane::Usage
