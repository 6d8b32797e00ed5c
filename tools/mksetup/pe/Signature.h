#pragma once
// The Authenticode signature of a PE image: the certificate table that the security directory
// names (by file offset, after the last section) and who signed it, read from the PKCS#7
// SignedData only as far as naming the signer needs. Nothing here checks that the signature is
// valid or that the image still matches it: osslsigncode verify does that.
#include <string>

#include "text/Bytes.h"

namespace setup::mksetup {

struct SignatureInfo {
  bool present = false;  // the security directory names a certificate table
  std::string signer;    // the common name (UTF-8) of the signer certificate's subject
  std::string issuer;    // and of its issuer
  std::string problem;   // why the signer cannot be named; empty when it was
};

// Throws ToolError(what: reason) only for a file that is no PE32 image; a signature that cannot
// be read is told in problem.
SignatureInfo ReadSignature(ByteSpan file, const std::string& what);

// "not signed", "signed by "CN" (issued by "CN")", or why the signer cannot be named.
std::string SignatureText(const SignatureInfo& signature);

}  // namespace setup::mksetup
