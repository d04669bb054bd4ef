// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The update feed's detached Ed25519 signature: nothing in a feed is believed until it checks out
// against the public key the program was built with.
namespace keyvane::FeedSignature {

// True when `signatureBase64` (64 bytes, in base64; white space around it ignored) signs exactly
// `data` for `publicKeyBase64` (32 bytes, in base64). Anything malformed is false.
bool verify(const QByteArray& data, const QByteArray& signatureBase64, const QByteArray& publicKeyBase64);

} // namespace keyvane::FeedSignature
