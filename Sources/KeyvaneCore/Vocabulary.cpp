// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Vocabulary.h"

#include <filesystem>
#include <marisa.h>

namespace keyvane {
namespace {

bool build(marisa::Trie& trie, const std::vector<std::string>& words) {
    marisa::Keyset keys;
    for (const std::string& word : words) {
        if (!word.empty()) {
            keys.push_back(word.data(), word.size());
        }
    }
    try {
        trie.build(keys);
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

std::shared_ptr<const Vocabulary> Vocabulary::map(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return nullptr;
    }
    auto vocabulary = std::make_shared<Vocabulary>();
    try {
        vocabulary->trie_->mmap(path.c_str());
    } catch (const marisa::Exception&) {
        return nullptr;
    }
    return vocabulary;
}

std::shared_ptr<const Vocabulary> Vocabulary::ofWords(const std::vector<std::string>& words) {
    auto vocabulary = std::make_shared<Vocabulary>();
    return build(*vocabulary->trie_, words) ? vocabulary : nullptr;
}

bool Vocabulary::write(const std::vector<std::string>& words, const std::string& path) {
    marisa::Trie trie;
    if (!build(trie, words)) {
        return false;
    }
    const std::string temporary = path + ".tmp";
    try {
        trie.save(temporary.c_str());
    } catch (const marisa::Exception&) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

bool Vocabulary::contains(std::string_view lowerCasedWord) const {
    if (lowerCasedWord.empty() || trie_->empty()) {
        return false;
    }
    agent_->set_query(lowerCasedWord.data(), lowerCasedWord.size());
    return trie_->lookup(*agent_);
}

std::size_t Vocabulary::size() const {
    return trie_->empty() ? 0 : trie_->num_keys();
}

} // namespace keyvane
