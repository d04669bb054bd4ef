// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Vocabulary.h"

#include "KeyvaneCore/UnicodeText.h"

#include <array>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <marisa.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keyvane {
namespace {

// The end of a vocabulary file: the trie, zeros up to a multiple of a filter block, the filter's
// blocks, then this.
struct Footer {
    char magic[8];
    std::uint64_t trieBytes;
    std::uint64_t blockCount;
};
constexpr char footerMagic[8] = {'K', 'V', 'W', 'F', 'I', 'L', 'T', '1'};

std::uint64_t filterStart(std::uint64_t trieBytes) {
    return (trieBytes + WordFilter::blockBytes - 1) / WordFilter::blockBytes * WordFilter::blockBytes;
}

// A key no word can be (it is no UTF-8): present in a trie whose words are in the letter code.
constexpr std::string_view letterCodeMark = "\xFF";

bool build(marisa::Trie& trie, const std::vector<std::string>& words) {
    // Every word in the letter code when every word has one; else all as they are.
    std::vector<std::string> coded;
    coded.reserve(words.size());
    for (const std::string& word : words) {
        std::string code(word.size(), '\0');
        const std::optional<std::size_t> length = Vocabulary::toLetterCode(word, code.data());
        if (!length) {
            coded.clear();
            break;
        }
        code.resize(*length);
        coded.push_back(std::move(code));
    }
    const bool lettersCoded = coded.size() == words.size();
    marisa::Keyset keys;
    for (const std::string& word : lettersCoded ? coded : words) {
        if (!word.empty() && word != letterCodeMark) {
            keys.push_back(word.data(), word.size());
        }
    }
    if (lettersCoded) {
        keys.push_back(letterCodeMark.data(), letterCodeMark.size());
    }
    try {
        // One trie and the largest cache: a lookup walks fewer levels, for a file a tenth larger.
        trie.build(keys, 1 | MARISA_HUGE_CACHE);
    } catch (const marisa::Exception&) {
        return false;
    }
    return true;
}

} // namespace

Vocabulary::Vocabulary()
    : trie_(std::make_unique<marisa::Trie>())
    , agent_(std::make_unique<marisa::Agent>()) {}

Vocabulary::~Vocabulary() = default;

std::optional<std::size_t> Vocabulary::toLetterCode(std::string_view word, char* out) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < word.size();) {
        char32_t c = 0;
        const std::size_t bytes = UnicodeText::aloneCharacterAt(word, at, c);
        if (bytes == 0) {
            return std::nullopt;
        }
        at += bytes;
        if (c < 0x80) {
            out[length++] = static_cast<char>(c);
        } else if (c >= 0x0430 && c <= 0x045F) {
            out[length++] = static_cast<char>(0x80 + (c - 0x0430));
        } else if (c == 0x0491) {
            out[length++] = static_cast<char>(0xB0);
        } else {
            return std::nullopt;
        }
    }
    return length;
}

void Vocabulary::readKeyForm() {
    marisa::Agent agent;
    agent.set_query(letterCodeMark.data(), letterCodeMark.size());
    lettersCoded_ = !trie_->empty() && trie_->lookup(agent);
}

void MappedFileRelease::operator()(void* address) const {
    ::munmap(address, size);
}

std::shared_ptr<const Vocabulary> Vocabulary::map(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return nullptr;
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat status {};
    void* address = MAP_FAILED;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0) {
        address =
            ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_SHARED, descriptor, 0);
    }
    ::close(descriptor);
    if (address == MAP_FAILED) {
        return nullptr;
    }
    auto vocabulary = std::make_shared<Vocabulary>();
    const auto size = static_cast<std::size_t>(status.st_size);
    vocabulary->mapping_ = std::unique_ptr<void, MappedFileRelease>(address, MappedFileRelease{size});
    const auto* bytes = static_cast<const unsigned char*>(address);
    std::size_t trieBytes = size;
    Footer footer{};
    if (size >= sizeof footer) {
        std::memcpy(&footer, bytes + size - sizeof footer, sizeof footer);
        const bool consistent =
            std::memcmp(footer.magic, footerMagic, sizeof footerMagic) == 0 && footer.trieBytes > 0 &&
            footer.blockCount > 0 && footer.blockCount < (std::uint64_t{1} << 32) &&
            footer.trieBytes <= size && filterStart(footer.trieBytes) + sizeof footer <= size &&
            (size - sizeof footer - filterStart(footer.trieBytes)) / WordFilter::blockBytes ==
                footer.blockCount &&
            (size - sizeof footer - filterStart(footer.trieBytes)) % WordFilter::blockBytes == 0;
        if (consistent) {
            trieBytes = static_cast<std::size_t>(footer.trieBytes);
            vocabulary->filter_ =
                WordFilter(reinterpret_cast<const std::uint64_t*>(bytes + filterStart(footer.trieBytes)),
                           static_cast<std::size_t>(footer.blockCount));
        }
    }
    try {
        vocabulary->trie_->map(address, trieBytes);
    } catch (const marisa::Exception&) {
        return nullptr;
    }
    vocabulary->readKeyForm();
    return vocabulary;
}

std::shared_ptr<const Vocabulary> Vocabulary::ofWords(const std::vector<std::string>& words) {
    auto vocabulary = std::make_shared<Vocabulary>();
    if (!build(*vocabulary->trie_, words)) {
        return nullptr;
    }
    vocabulary->readKeyForm();
    vocabulary->ownFilter_ = WordFilter::build(words);
    vocabulary->filter_ =
        WordFilter(vocabulary->ownFilter_.data(), vocabulary->ownFilter_.size() / WordFilter::wordsPerBlock);
    return vocabulary;
}

bool Vocabulary::write(const std::vector<std::string>& words, const std::string& path) {
    marisa::Trie trie;
    if (!build(trie, words)) {
        return false;
    }
    const std::string temporary = path + ".tmp";
    auto fail = [&] {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        return false;
    };
    try {
        trie.save(temporary.c_str());
    } catch (const marisa::Exception&) {
        return fail();
    }
    std::error_code ec;
    const std::uintmax_t trieBytes = std::filesystem::file_size(temporary, ec);
    if (ec || trieBytes == 0) {
        return fail();
    }
    const std::vector<std::uint64_t> blocks = WordFilter::build(words);
    Footer footer{};
    std::memcpy(footer.magic, footerMagic, sizeof footerMagic);
    footer.trieBytes = trieBytes;
    footer.blockCount = blocks.size() / WordFilter::wordsPerBlock;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::app);
        const std::string padding(filterStart(trieBytes) - trieBytes, '\0');
        out.write(padding.data(), static_cast<std::streamsize>(padding.size()));
        out.write(reinterpret_cast<const char*>(blocks.data()),
                  static_cast<std::streamsize>(blocks.size() * sizeof(std::uint64_t)));
        out.write(reinterpret_cast<const char*>(&footer), sizeof footer);
        out.close();
        if (!out) {
            return fail();
        }
    }
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

bool Vocabulary::contains(std::string_view lowerCasedWord) const {
    if (lowerCasedWord.empty() || trie_->empty()) {
        return false;
    }
    if (!filter_.mayContain(lowerCasedWord)) {
        return false;
    }
    if (!lettersCoded_) {
        agent_->set_query(lowerCasedWord.data(), lowerCasedWord.size());
        return trie_->lookup(*agent_);
    }
    std::array<char, 64> room;
    std::string longer;
    char* code = room.data();
    if (lowerCasedWord.size() > room.size()) {
        longer.resize(lowerCasedWord.size());
        code = longer.data();
    }
    const std::optional<std::size_t> length = toLetterCode(lowerCasedWord, code);
    if (!length) {
        return false; // a character no word of it has
    }
    agent_->set_query(code, *length);
    return trie_->lookup(*agent_);
}

std::size_t Vocabulary::size() const {
    return trie_->empty() ? 0 : trie_->num_keys() - (lettersCoded_ ? 1 : 0);
}

} // namespace keyvane
