#include "pe/Signature.h"

#include <algorithm>
#include <optional>

#include "pe/PeFile.h"

namespace setup::mksetup {
namespace {

constexpr std::uint16_t kCertificateRevision = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 2;
constexpr std::size_t kCertificateHeader = 8;  // dwLength, wRevision, wCertificateType

// DER tags as they appear in a SignedData.
constexpr std::uint8_t kInteger = 0x02, kOid = 0x06, kSequence = 0x30, kSet = 0x31;
constexpr std::uint8_t kExplicit0 = 0xA0, kImplicit1 = 0xA1;
constexpr std::uint8_t kUtf8String = 0x0C, kPrintableString = 0x13, kT61String = 0x14,
                       kIa5String = 0x16, kUniversalString = 0x1C, kBmpString = 0x1E;
constexpr std::uint8_t kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
constexpr std::uint8_t kCommonNameOid[] = {0x55, 0x04, 0x03};

// Why a signature cannot be read; caught where the problem is told.
struct Unreadable {
  std::string reason;
};

struct Element {
  std::uint8_t tag = 0;
  ByteSpan content;  // the value's bytes
  ByteSpan whole;    // tag, length and value, for comparing two encodings
};

// Reads the elements of one constructed value in order.
class DerReader {
 public:
  explicit DerReader(ByteSpan bytes) : rest_(bytes) {}
  bool AtEnd() const { return rest_.empty(); }

  Element Next() {
    if (rest_.size() < 2) throw Unreadable{"its PKCS#7 data ends inside an element"};
    const std::uint8_t tag = rest_[0];
    if ((tag & 0x1F) == 0x1F) throw Unreadable{"its PKCS#7 data has a tag DER does not use"};
    std::size_t length = rest_[1], header = 2;
    if (length & 0x80) {
      const std::size_t digits = length & 0x7F;
      // Indefinite lengths (BER) and lengths past 4 GiB have no place in a signature.
      if (digits == 0 || digits > 4) throw Unreadable{"its PKCS#7 data is not DER"};
      if (rest_.size() < 2 + digits) throw Unreadable{"its PKCS#7 data ends inside an element"};
      length = 0;
      for (std::size_t i = 0; i < digits; ++i) length = length << 8 | rest_[2 + i];
      header += digits;
    }
    if (length > rest_.size() - header) {
      throw Unreadable{"its PKCS#7 data ends inside an element"};
    }
    const Element element{tag, rest_.subspan(header, length), rest_.first(header + length)};
    rest_ = rest_.subspan(header + length);
    return element;
  }

  Element Expect(std::uint8_t tag, const char* what) {
    const Element element = Next();
    if (element.tag != tag) throw Unreadable{std::string("its PKCS#7 data has no ") + what};
    return element;
  }

  // The next element when it has this tag; otherwise nothing is taken.
  std::optional<Element> Optional(std::uint8_t tag) {
    if (AtEnd() || rest_[0] != tag) return std::nullopt;
    return Next();
  }

 private:
  ByteSpan rest_;
};

bool Same(ByteSpan a, ByteSpan b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  // Control characters would reach the terminal as they are: a name is only shown.
  if (code < 0x20 || code == 0x7F || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) {
    code = '?';
  }
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// A directory string as UTF-8: BMPString is UTF-16 and UniversalString UTF-32, both big-endian;
// T61String is taken as Latin-1, as most readers take it.
std::string DirectoryString(const Element& value) {
  std::string text;
  const ByteSpan b = value.content;
  switch (value.tag) {
    case kUtf8String:
      for (std::uint8_t c : b) text += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
      return text;
    case kPrintableString:
    case kIa5String:
    case kT61String:
      for (std::uint8_t c : b) AppendUtf8(text, c);
      return text;
    case kBmpString:
      for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        std::uint32_t code = b[i] << 8 | b[i + 1];
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < b.size()) {
          const std::uint32_t low = b[i + 2] << 8 | b[i + 3];
          if (low >= 0xDC00 && low < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
          }
        }
        AppendUtf8(text, code);
      }
      return text;
    case kUniversalString:
      for (std::size_t i = 0; i + 3 < b.size(); i += 4) {
        AppendUtf8(text, static_cast<std::uint32_t>(b[i]) << 24 | b[i + 1] << 16 | b[i + 2] << 8 |
                             b[i + 3]);
      }
      return text;
    default:
      throw Unreadable{"a common name is not a text"};
  }
}

// The last common name of a Name (RDNs run from the widest to the most particular).
std::string CommonName(const Element& name) {
  std::optional<std::string> found;
  DerReader names(name.content);
  while (!names.AtEnd()) {
    DerReader set(names.Expect(kSet, "relative name").content);
    while (!set.AtEnd()) {
      DerReader attribute(set.Expect(kSequence, "name attribute").content);
      const Element type = attribute.Expect(kOid, "name attribute type");
      const Element value = attribute.Next();
      if (Same(type.content, kCommonNameOid)) found = DirectoryString(value);
    }
  }
  if (!found) throw Unreadable{"a certificate's name has no common name"};
  return *found;
}

struct CertificateNames {
  Element issuer, serial, subject;
};

CertificateNames ReadCertificate(const Element& certificate) {
  DerReader outer(certificate.content);
  DerReader tbs(outer.Expect(kSequence, "certificate body").content);
  tbs.Optional(kExplicit0);  // the version, absent for version 1
  CertificateNames names;
  names.serial = tbs.Expect(kInteger, "certificate serial number");
  tbs.Expect(kSequence, "certificate signature algorithm");
  names.issuer = tbs.Expect(kSequence, "certificate issuer");
  tbs.Expect(kSequence, "certificate validity");
  names.subject = tbs.Expect(kSequence, "certificate subject");
  return names;
}

// The signer of a SignedData: the certificate that its first SignerInfo names by issuer and
// serial number.
SignatureInfo ReadSignedData(ByteSpan der) {
  DerReader top(der);
  DerReader contentInfo(top.Expect(kSequence, "ContentInfo").content);
  if (!Same(contentInfo.Expect(kOid, "content type").content, kSignedDataOid)) {
    throw Unreadable{"its PKCS#7 data is not SignedData"};
  }
  DerReader wrapped(contentInfo.Expect(kExplicit0, "SignedData").content);
  DerReader signedData(wrapped.Expect(kSequence, "SignedData").content);
  signedData.Expect(kInteger, "SignedData version");
  signedData.Expect(kSet, "digest algorithms");
  signedData.Expect(kSequence, "signed content");
  const std::optional<Element> certificates = signedData.Optional(kExplicit0);
  signedData.Optional(kImplicit1);  // revocation lists
  DerReader signerInfos(signedData.Expect(kSet, "signer infos").content);
  if (signerInfos.AtEnd()) throw Unreadable{"it has no signer"};
  DerReader signerInfo(signerInfos.Expect(kSequence, "signer info").content);
  signerInfo.Expect(kInteger, "signer info version");
  const Element sid = signerInfo.Next();
  if (sid.tag != kSequence) throw Unreadable{"its signer is named by a key identifier"};
  DerReader issuerAndSerial(sid.content);
  const Element issuer = issuerAndSerial.Expect(kSequence, "signer's issuer");
  const Element serial = issuerAndSerial.Expect(kInteger, "signer's serial number");
  if (certificates) {
    DerReader list(certificates->content);
    while (!list.AtEnd()) {
      const Element certificate = list.Next();
      if (certificate.tag != kSequence) continue;  // other certificate formats
      const CertificateNames names = ReadCertificate(certificate);
      if (Same(names.issuer.whole, issuer.whole) && Same(names.serial.whole, serial.whole)) {
        return {true, CommonName(names.subject), CommonName(names.issuer), ""};
      }
    }
  }
  throw Unreadable{"it does not carry the signer's certificate"};
}

}  // namespace

SignatureInfo ReadSignature(ByteSpan file, const std::string& what) {
  const PeLayout layout = ReadPeLayout(file, what);
  const DataDirectory table = ReadDataDirectory(file, layout, kSecurityDirectory, what);
  if (table.rva == 0 && table.size == 0) return {};
  try {
    // The security directory alone holds a file offset, not an address in the image.
    if (table.rva > file.size() || table.size > file.size() - table.rva) {
      throw Unreadable{"its certificate table lies past the end of the file"};
    }
    ByteSpan rest = file.subspan(table.rva, table.size);
    while (rest.size() >= kCertificateHeader) {
      const std::uint32_t length = ReadU32(rest, 0, what);
      if (length < kCertificateHeader || length > rest.size()) {
        throw Unreadable{"an entry of its certificate table has a wrong length"};
      }
      if (ReadU16(rest, 4, what) == kCertificateRevision &&
          ReadU16(rest, 6, what) == kPkcsSignedData) {
        return ReadSignedData(rest.subspan(kCertificateHeader, length - kCertificateHeader));
      }
      const std::size_t next = (static_cast<std::size_t>(length) + 7) / 8 * 8;
      rest = rest.subspan(std::min(next, rest.size()));
    }
    throw Unreadable{"its certificate table holds no Authenticode signature"};
  } catch (const Unreadable& unreadable) {
    return {true, "", "", unreadable.reason};
  }
}

std::string SignatureText(const SignatureInfo& signature) {
  if (!signature.present) return "not signed";
  if (!signature.problem.empty())
    return "signed, but the signer cannot be named: " + signature.problem;
  return "signed by \"" + signature.signer + "\" (issued by \"" + signature.issuer + "\")";
}

}  // namespace setup::mksetup
