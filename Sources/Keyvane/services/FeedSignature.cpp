// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/FeedSignature.h"

#include <optional>
#include <sodium.h>

namespace keyvane::FeedSignature {

namespace {

std::optional<QByteArray> decode(const QByteArray& text, int expectedSize) {
    const auto result =
        QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != expectedSize) {
        return std::nullopt;
    }
    return result.decoded;
}

} // namespace

bool verify(const QByteArray& data, const QByteArray& signatureBase64, const QByteArray& publicKeyBase64) {
    if (::sodium_init() < 0) {
        return false;
    }
    const std::optional<QByteArray> signature = decode(signatureBase64, crypto_sign_BYTES);
    const std::optional<QByteArray> key = decode(publicKeyBase64, crypto_sign_PUBLICKEYBYTES);
    if (!signature || !key) {
        return false;
    }
    return ::crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature->constData()),
                                         reinterpret_cast<const unsigned char*>(data.constData()),
                                         static_cast<unsigned long long>(data.size()),
                                         reinterpret_cast<const unsigned char*>(key->constData())) == 0;
}

} // namespace keyvane::FeedSignature
