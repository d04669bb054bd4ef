// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/fake/FakePlatform.h"

#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>

namespace keyvane {
namespace {

// Letter and punctuation keys: key code → (US unshifted, US shifted, Russian, Ukrainian).
struct KeyRow {
    std::uint16_t key;
    const char* us;
    const char* usShift;
    const char* ru;
    const char* uk;
};
constexpr KeyRow keyRows[] = {
    {KeyCode::q, "q", "Q", "й", "й"},
    {KeyCode::w, "w", "W", "ц", "ц"},
    {KeyCode::e, "e", "E", "у", "у"},
    {KeyCode::r, "r", "R", "к", "к"},
    {KeyCode::t, "t", "T", "е", "е"},
    {KeyCode::y, "y", "Y", "н", "н"},
    {KeyCode::u, "u", "U", "г", "г"},
    {KeyCode::i, "i", "I", "ш", "ш"},
    {KeyCode::o, "o", "O", "щ", "щ"},
    {KeyCode::p, "p", "P", "з", "з"},
    {KeyCode::leftBrace, "[", "{", "х", "х"},
    {KeyCode::rightBrace, "]", "}", "ъ", "ї"},
    {KeyCode::a, "a", "A", "ф", "ф"},
    {KeyCode::s, "s", "S", "ы", "і"},
    {KeyCode::d, "d", "D", "в", "в"},
    {KeyCode::f, "f", "F", "а", "а"},
    {KeyCode::g, "g", "G", "п", "п"},
    {KeyCode::h, "h", "H", "р", "р"},
    {KeyCode::j, "j", "J", "о", "о"},
    {KeyCode::k, "k", "K", "л", "л"},
    {KeyCode::l, "l", "L", "д", "д"},
    {KeyCode::semicolon, ";", ":", "ж", "ж"},
    {KeyCode::apostrophe, "'", "\"", "э", "є"},
    {KeyCode::z, "z", "Z", "я", "я"},
    {KeyCode::x, "x", "X", "ч", "ч"},
    {KeyCode::c, "c", "C", "с", "с"},
    {KeyCode::v, "v", "V", "м", "м"},
    {KeyCode::b, "b", "B", "и", "и"},
    {KeyCode::n, "n", "N", "т", "т"},
    {KeyCode::m, "m", "M", "ь", "ь"},
    {KeyCode::comma, ",", "<", "б", "б"},
    {KeyCode::dot, ".", ">", "ю", "ю"},
    {KeyCode::grave, "`", "~", "ё", "'"},
    {KeyCode::minus, "-", "_", "-", "-"},
    {KeyCode::one, "1", "!", "1", "1"},
    {static_cast<std::uint16_t>(KeyCode::one + 1), "2", "@", "2", "2"},
    {KeyCode::slash, "/", "?", ".", "."},
};

FakePlatform::KeyTable tableFor(int column) {
    FakePlatform::KeyTable table;
    for (const KeyRow& row : keyRows) {
        std::string lower = column == 0 ? row.us : (column == 1 ? row.ru : row.uk);
        // Cyrillic letters shift to capitals; digits and symbols give what they give on US keys,
        // but for the full-stop key of the Cyrillic layouts, which gives a comma.
        const char* shiftedSymbol = column != 0 && row.key == KeyCode::slash ? "," : row.usShift;
        std::string upper = column != 0 && UnicodeText::isLetter(lower) ? UnicodeText::toUpper(lower)
                                                                        : std::string(shiftedSymbol);
        table[row.key] = {lower, upper};
    }
    table[KeyCode::space] = {" ", " "};
    table[KeyCode::enter] = {"\r", "\r"};
    table[KeyCode::tab] = {"\t", "\t"};
    table[KeyCode::left] = {"\x1c", "\x1c"}; // arrows type control characters
    return table;
}

} // namespace

FakePlatform::FakePlatform() {
    setLayouts(standardLayouts(), 0);
    keyTables_["us"] = usKeys();
    keyTables_["ru"] = russianKeys();
    keyTables_["ua"] = ukrainianKeys();
}

FakePlatform::KeyTable FakePlatform::usKeys() {
    return tableFor(0);
}
FakePlatform::KeyTable FakePlatform::russianKeys() {
    return tableFor(1);
}
FakePlatform::KeyTable FakePlatform::ukrainianKeys() {
    return tableFor(2);
}

std::vector<KeyboardLayout> FakePlatform::standardLayouts() {
    return {KeyboardLayout{0, "us", "", "English (US)", Language::en},
            KeyboardLayout{1, "ru", "", "Russian", Language::ru},
            KeyboardLayout{2, "ua", "", "Ukrainian", Language::uk}};
}

Registration FakePlatform::schedule(double delaySeconds, std::function<void()> step) {
    const long long order = order_++;
    steps_->push_back({clock_ + std::max(0.0, delaySeconds), order, std::move(step)});
    return Registration([weak = std::weak_ptr<std::vector<Step>>(steps_), order] {
        auto steps = weak.lock();
        if (!steps) {
            return;
        }
        auto it =
            std::find_if(steps->begin(), steps->end(), [order](const Step& s) { return s.order == order; });
        if (it != steps->end()) {
            // Destroyed once out of the queue: what it holds may cancel other steps.
            const std::function<void()> cancelled = std::move(it->run);
            steps->erase(it);
        }
    });
}

void FakePlatform::advance(double seconds) {
    const double end = clock_ + seconds;
    for (;;) {
        auto next = std::min_element(steps_->begin(), steps_->end(), [](const Step& a, const Step& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == steps_->end() || next->due > end + 1e-9) {
            break;
        }
        clock_ = std::max(clock_, next->due);
        std::function<void()> run = std::move(next->run);
        steps_->erase(next);
        run();
    }
    clock_ = end;
}

std::optional<PlatformServices::MonitorHandle> FakePlatform::addGlobalKeyMonitor(KeyHandler handler) {
    if (keyMonitorsRefused_) {
        return std::nullopt;
    }
    monitors_[nextHandle_] = std::move(handler);
    return nextHandle_++;
}

void FakePlatform::removeKeyMonitor(MonitorHandle handle) {
    monitors_.erase(handle);
}

void FakePlatform::pressKey(std::uint16_t keyCode, ModifierFlags modifiers,
                            std::optional<std::uint16_t> userData) {
    KeyDown press;
    press.keyCode = keyCode;
    press.modifiers = modifiers;
    press.userData = userData;
    pressKey(press);
}

void FakePlatform::pressKey(const KeyDown& press) {
    auto handlers = monitors_;
    for (auto& [handle, handler] : handlers) {
        handler(press);
    }
}

void FakePlatform::middleClick() {
    click();
    pasteHandlers_.call();
}

void FakePlatform::click() {
    pointerHandlers_.call();
}

void FakePlatform::moveFocus() {
    focusHandlers_.call();
}

void FakePlatform::activate(const FrontmostApplication& app) {
    frontmost_ = app;
    activationHandlers_.call(app);
}

void FakePlatform::setLayouts(std::vector<KeyboardLayout> layouts, std::size_t current) {
    layouts_ = std::move(layouts);
    current_ = current;
}

void FakePlatform::switchLayout(std::size_t current) {
    current_ = current;
    layoutHandlers_.call();
}

std::optional<std::vector<KeyboardLayout>> FakePlatform::enabledLayouts() {
    if (!enumerable_) {
        return std::nullopt;
    }
    return layouts_;
}

std::optional<KeyboardLayout> FakePlatform::currentLayout() {
    if (current_ >= layouts_.size()) {
        return std::nullopt;
    }
    return layouts_[current_];
}

int FakePlatform::selectLayout(const KeyboardLayout& source) {
    selectedLayouts.push_back(source.id());
    auto it = std::find(layouts_.begin(), layouts_.end(), source);
    if (it == layouts_.end()) {
        return -50;
    }
    if (++selectionCount_ >= selectionsNeeded_) {
        const auto selected = static_cast<std::size_t>(it - layouts_.begin());
        if (selected != current_) {
            switchLayout(selected);
        }
    }
    return 0;
}

std::optional<std::string> FakePlatform::translateKey(const KeyboardLayout& source, std::uint16_t keyCode,
                                                      ModifierFlags modifiers) {
    auto table = keyTables_.find(source.id());
    if (table == keyTables_.end()) {
        return std::nullopt;
    }
    auto key = table->second.find(keyCode);
    if (key == table->second.end()) {
        return std::nullopt;
    }
    bool shift = (modifiers & Modifier::shift) != 0;
    bool caps = (modifiers & Modifier::capsLock) != 0;
    const std::string& lower = key->second.first;
    bool letter = UnicodeText::isLetter(lower);
    return (shift != (caps && letter)) ? key->second.second : lower;
}

bool FakePlatform::registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) {
    if (std::find(taken.begin(), taken.end(), std::make_pair(keyCode, modifiers)) != taken.end()) {
        return false;
    }
    hotkeys[id] = {keyCode, modifiers};
    return true;
}

void FakePlatform::pressHotkey(std::uint16_t keyCode, ModifierFlags modifiers) {
    for (const auto& [id, binding] : hotkeys) {
        if (binding == std::make_pair(keyCode, modifiers) && !hotkeyHandlers_.empty()) {
            // The key monitor sees the press too, as on a real desktop.
            KeyDown press;
            press.keyCode = keyCode;
            press.modifiers = modifiers;
            press.ownShortcut = true;
            pressKey(press);
            hotkeyHandlers_.call(id);
            return;
        }
    }
}

void FakePlatform::postKeyEvent(const SyntheticKeyEvent& event) {
    posted.push_back(event);
    // A focused text field copies its selection on Control+C.
    if (event.keyDown && event.controlHeld && !event.shiftHeld && event.keyCode == KeyCode::c &&
        selectedText) {
        clipboards_[ClipboardKind::clipboard] = ClipboardContents::ofText(*selectedText);
    }
}

std::string FakePlatform::typedText(std::string initial) const {
    std::vector<std::string> chars = UnicodeText::graphemes(initial);
    for (const SyntheticKeyEvent& e : posted) {
        if (!e.keyDown || e.controlHeld) {
            continue;
        }
        if (e.keyCode == KeyCode::backspace && !e.unicodeText) {
            if (!chars.empty()) {
                chars.pop_back();
            }
        } else if (e.unicodeText) {
            chars.push_back(*e.unicodeText);
        }
    }
    std::string out;
    for (const std::string& c : chars) {
        out += c;
    }
    return out;
}

} // namespace keyvane
