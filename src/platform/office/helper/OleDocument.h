#pragma once

#include <string>

namespace folvane::platform {

// Whether `bytes`, a whole .doc file, is a Word 97-2003 document that opens
// only with a password: an OLE2 compound file whose WordDocument stream (in
// the root storage) begins with a FIB, wIdent 0xA5EC, whose fEncrypted flag
// is set. That covers RC4, RC4 CryptoAPI and XOR obfuscation alike (an
// obfuscated file sets fObfuscated beside fEncrypted; alone it means
// nothing).
//
// Anything else is false: not a compound file, no such stream, or a damaged
// or hostile file, so the ordinary load runs and tells what it is. Reads
// nothing outside `bytes`; every chain it follows is bounded.
bool WordDocumentEncrypted(const std::string& bytes);

}  // namespace folvane::platform
