#pragma once

#include <string>

#include "loader/version_number.h"

namespace kvx {

// The text the logic device's user signature is made from: "T3952D", '8' and the three
// digits of the newest logic file number; "T3952D8105" for 1.05.
std::string MakeUserSignatureText(VersionNumber newestLogic);

// The kUserSignatureCharacters '0'/'1' characters of the signature: the first 15 characters
// of `signatureText` as bytes (zero bytes where the text is shorter), most significant bit
// first.
std::string EncodeUserSignature(const std::string& signatureText);

// The shortest text EncodeUserSignature turns into `bits`, kUserSignatureCharacters '0'/'1'
// characters as read from the device: its bytes, trailing zero bytes left out, so a
// signature written from "T3952D8105" reads back as that text. Any other character reads
// as a clear bit.
std::string DecodeUserSignature(const std::string& bits);

}  // namespace kvx
