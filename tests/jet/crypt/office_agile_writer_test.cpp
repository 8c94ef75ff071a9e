// Writing agile encryption: the descriptor of an Access-made file is rebuilt
// byte for byte from its own secrets, new descriptors are read back by the
// engine's reader with the right password only, and parameters or secrets
// Access would never write are refused.
#include "jet/crypt/office_agile_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "jet/crypt/header_mask.h"
#include "jet/crypt/office_agile.h"
#include "jet/crypt/office_crypt.h"
#include "jet/crypt/office_xml.h"
#include "jet/error.h"
#include "jet/file/header.h"
#include "jet/write/header_writer.h"
#include "support/fixtures.h"

namespace jet::office {
namespace {

constexpr size_t kPageSize = 4096;

std::vector<uint8_t> readFixture(const std::string& name) {
    std::ifstream in(testing_support::fixture(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

PageBytes pageOf(const std::vector<uint8_t>& file, size_t n) {
    return PageBytes(file.begin() + static_cast<std::ptrdiff_t>(n * kPageSize),
                     file.begin() + static_cast<std::ptrdiff_t>((n + 1) * kPageSize));
}

Bytes asBytes(const std::string& s) {
    return Bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// The descriptor's XML as text, from a header page as stored.
std::string descriptorXml(const PageBytes& header) {
    const size_t length = readU16(header, 0x299);
    return std::string(header.begin() + 0x29b + 8, header.begin() + 0x29b + length);
}

const XmlElement& element(const std::vector<XmlElement>& all, std::string_view localName) {
    for (const XmlElement& e : all)
        if (e.localName == localName) return e;
    throw std::runtime_error("no element " + std::string(localName));
}

ByteVector attribute64(const XmlElement& e, std::string_view name) {
    return decodeBase64(*e.attribute(name), "test");
}

// Decrypts one password-locked value of an Access-made descriptor the way
// the format defines it, independently of the writer under test.
ByteVector unlockWithPassword(Bytes spun, Bytes salt, std::array<uint8_t, 8> block,
                              ByteVector value) {
    const ByteVector key = fitToLength(hashOf(HashAlgorithm::Sha1, {spun, block}), 16, 0x36);
    aesApply(ChainingMode::Cbc, key, salt, value, false);
    return value;
}

TEST(AgileWriter, RebuildsTheAccessMadeEncryptedHeaderExactly) {
    const std::vector<uint8_t> file = readFixture("encrypted/db2007-enc.accdb");
    const PageBytes stored = pageOf(file, 0);
    PageBytes plain = stored;
    unmaskHeaderPage(plain, JetVersion::Ace14);
    const DatabaseHeader h = parseHeader(stored, "db2007-enc.accdb");

    // The secrets Access chose, recovered with the known password.
    const auto xml = readXmlElements(descriptorXml(stored));
    const XmlElement& keyData = element(xml, "keyData");
    const XmlElement& encryptedKey = element(xml, "encryptedKey");
    AgileSecrets secrets;
    secrets.keyDataSalt = attribute64(keyData, "saltValue");
    secrets.encryptorSalt = attribute64(encryptedKey, "saltValue");
    const ByteVector spun = spinHash(
        HashAlgorithm::Sha1,
        hashOf(HashAlgorithm::Sha1, {secrets.encryptorSalt, passwordBytes("Test123")}), 100000);
    secrets.verifierInput = unlockWithPassword(
        spun, secrets.encryptorSalt, {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79},
        attribute64(encryptedKey, "encryptedVerifierHashInput"));
    secrets.intermediateKey = unlockWithPassword(spun, secrets.encryptorSalt,
                                                 {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6},
                                                 attribute64(encryptedKey, "encryptedKeyValue"));
    const std::array<uint8_t, 4> databaseKey = {plain[0x3e], plain[0x3f], plain[0x40], plain[0x41]};

    NewHeader n;
    n.version = h.version;
    n.sortOrder = h.sortOrder;
    n.codePage = h.codePage;
    n.creationDate = h.creationDate;
    PageBytes built = buildHeaderPage(n);
    const auto cipher = protectAceHeader(built, "Test123", databaseKey, AgileParameters{}, secrets);

    // All but the first two entries of the page's closing table, which
    // Access changes as the file is used.
    ASSERT_EQ(built.size(), stored.size());
    for (size_t i = 0; i < built.size(); ++i) {
        if (i >= 0xe00 && i < 0xe04) continue;
        ASSERT_EQ(built[i], stored[i]) << "offset 0x" << std::hex << i;
    }

    // The returned cipher decrypts the fixture's pages as the reader does.
    const auto reference = makeOfficeCipher(stored, JetVersion::Ace14, "Test123");
    for (size_t pageNumber : {1, 2, 5}) {
        PageBytes ours = pageOf(file, pageNumber), theirs = ours;
        cipher->decryptPage(static_cast<uint32_t>(pageNumber), ours);
        reference->decryptPage(static_cast<uint32_t>(pageNumber), theirs);
        EXPECT_EQ(ours, theirs);
    }
    PageBytes catalog = pageOf(file, 2);
    cipher->decryptPage(2, catalog);
    EXPECT_EQ(catalog[0], 0x02);  // the system catalogue's definition
}

Error errorFrom(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no jet::Error was thrown";
    return Error(ErrorCode::Io, "none");
}

PageBytes newAceHeader(JetVersion v) {
    NewHeader n;
    n.version = v;
    n.sortOrder = {0x0409, static_cast<uint8_t>(v == JetVersion::Ace14 ? 1 : 0)};
    n.creationDate = 46012.375;
    return buildHeaderPage(n);
}

TEST(AgileWriter, NewFilesOpenWithTheirPasswordOnly) {
    for (JetVersion v : {JetVersion::Ace12, JetVersion::Ace14}) {
        SCOPED_TRACE(formatName(v));
        PageBytes header = newAceHeader(v);
        const PageBytes unprotected = header;
        const auto writer = protectAceHeader(header, "Pässwörd 12");

        EXPECT_TRUE(hasOfficeEncryption(header, v));
        const DatabaseHeader h = parseHeader(header, "new");
        EXPECT_NE(h.encodingKey, 0u);
        EXPECT_EQ(h.creationDate, 46012.375);
        EXPECT_EQ(h.sortOrder, parseHeader(unprotected, "new").sortOrder);

        const auto reader = makeOfficeCipher(header, v, "Pässwörd 12");
        for (const char* wrong : {"", "pässwörd 12", "Pässwörd 1", "Passwort 12"}) {
            const Error e = errorFrom([&] { makeOfficeCipher(header, v, wrong); });
            EXPECT_EQ(e.code(), ErrorCode::BadPassword) << wrong;
            EXPECT_STREQ(e.what(), "Not a valid password.");
        }

        // A page encrypted by the writer's cipher is unreadable as stored
        // and comes back through the reader's.
        PageBytes page(kPageSize);
        for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7);
        for (uint32_t pageNumber : {1u, 2u, 300u}) {
            PageBytes stored = page;
            writer->encryptPage(pageNumber, stored);
            EXPECT_NE(stored, page);
            reader->decryptPage(pageNumber, stored);
            EXPECT_EQ(stored, page);
        }
        // Pages differ by their number even with equal contents.
        PageBytes one = page, two = page;
        writer->encryptPage(1, one);
        writer->encryptPage(2, two);
        EXPECT_NE(one, two);
    }
}

TEST(AgileWriter, EveryFileGetsItsOwnKeysAndSalts) {
    PageBytes a = newAceHeader(JetVersion::Ace14), b = a;
    protectAceHeader(a, "same");
    protectAceHeader(b, "same");
    PageBytes plainA = a, plainB = b;
    unmaskHeaderPage(plainA, JetVersion::Ace14);
    unmaskHeaderPage(plainB, JetVersion::Ace14);
    EXPECT_FALSE(std::equal(plainA.begin() + 0x3e, plainA.begin() + 0x42, plainB.begin() + 0x3e));
    const auto xmlA = readXmlElements(descriptorXml(a));
    const auto xmlB = readXmlElements(descriptorXml(b));
    for (const char* name : {"keyData", "encryptedKey"}) {
        EXPECT_NE(*element(xmlA, name).attribute("saltValue"),
                  *element(xmlB, name).attribute("saltValue"));
    }
    EXPECT_NE(*element(xmlA, "encryptedKey").attribute("encryptedKeyValue"),
              *element(xmlB, "encryptedKey").attribute("encryptedKeyValue"));
}

TEST(AgileWriter, OtherAlgorithmsAreDescribedAndReadBack) {
    struct Case {
        HashAlgorithm hash;
        uint32_t keyBits;
        const char* hashName;
        size_t hashSize;
    };
    for (Case c : {Case{HashAlgorithm::Sha1, 192, "SHA1", 20},
                   Case{HashAlgorithm::Sha256, 256, "SHA256", 32},
                   Case{HashAlgorithm::Sha384, 128, "SHA384", 48},
                   Case{HashAlgorithm::Sha512, 256, "SHA512", 64}}) {
        SCOPED_TRACE(c.hashName);
        const AgileParameters p{c.hash, c.keyBits, 1000};
        const AgileSecrets s = randomAgileSecrets(p);
        EXPECT_EQ(s.intermediateKey.size(), c.keyBits / 8);
        const ByteVector info = buildAgileEncryptionInfo(p, s, passwordBytes("pw"));
        ASSERT_GE(info.size(), 8u);
        EXPECT_EQ(readU16(info, 0), 4);
        EXPECT_EQ(readU16(info, 2), 4);
        const auto xml = readXmlElements(
            std::string(reinterpret_cast<const char*>(info.data()) + 8, info.size() - 8));
        for (const char* name : {"keyData", "encryptedKey"}) {
            const XmlElement& e = element(xml, name);
            EXPECT_EQ(*e.attribute("hashAlgorithm"), c.hashName);
            EXPECT_EQ(*e.attribute("keyBits"), std::to_string(c.keyBits));
            EXPECT_EQ(*e.attribute("hashSize"), std::to_string(c.hashSize));
        }
        EXPECT_EQ(attribute64(element(xml, "keyData"), "saltValue"), s.keyDataSalt);
        EXPECT_EQ(*element(xml, "encryptedKey").attribute("spinCount"), "1000");

        const std::array<uint8_t, 4> dbKey = {1, 2, 3, 4};
        const Bytes afterVersion = Bytes(info).subspan(4);
        EXPECT_NO_THROW(makeAgileCipher(afterVersion, dbKey, passwordBytes("pw")));
        EXPECT_EQ(
            errorFrom([&] { makeAgileCipher(afterVersion, dbKey, passwordBytes("pW")); }).code(),
            ErrorCode::BadPassword);
    }
}

TEST(AgileWriter, RefusesWhatAccessWouldNotWrite) {
    const AgileParameters good{HashAlgorithm::Sha1, 128, 10};
    const AgileSecrets secrets = randomAgileSecrets(good);
    const ByteVector pw = passwordBytes("pw");
    const auto refused = [&](AgileParameters p, AgileSecrets s) {
        return errorFrom([&] { buildAgileEncryptionInfo(p, s, pw); }).code();
    };
    EXPECT_EQ(refused({HashAlgorithm::Md5, 128, 10}, secrets), ErrorCode::InvalidArgument);
    EXPECT_EQ(refused({HashAlgorithm::Sha1, 100, 10}, secrets), ErrorCode::InvalidArgument);
    EXPECT_EQ(refused({HashAlgorithm::Sha1, 128, kMaxAgileSpinCount + 1}, secrets),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(refused({HashAlgorithm::Sha1, 256, 10}, secrets), ErrorCode::InvalidArgument);
    AgileSecrets shortSalt = secrets;
    shortSalt.encryptorSalt.pop_back();
    EXPECT_EQ(refused(good, shortSalt), ErrorCode::InvalidArgument);

    // Header-level refusals.
    PageBytes jet4 = buildHeaderPage(NewHeader{});
    EXPECT_EQ(errorFrom([&] { protectAceHeader(jet4, "pw"); }).code(), ErrorCode::InvalidArgument);
    for (const std::string& password : {std::string(), std::string(21, 'x')}) {
        PageBytes ace = newAceHeader(JetVersion::Ace14);
        const Error e = errorFrom([&] { protectAceHeader(ace, password); });
        EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
        EXPECT_STREQ(e.what(), "Not a valid password.");
    }
    PageBytes ace = newAceHeader(JetVersion::Ace14);
    EXPECT_EQ(errorFrom([&] {
                  protectAceHeader(ace, "pw", {0, 0, 0, 0}, good, secrets);
              }).code(),
              ErrorCode::InvalidArgument);
    PageBytes notAHeader(kPageSize, 0);
    EXPECT_EQ(errorFrom([&] { protectAceHeader(notAHeader, "pw"); }).code(),
              ErrorCode::UnrecognizedFormat);
}

TEST(AgileWriter, Base64MatchesTheDecoder) {
    EXPECT_EQ(encodeBase64(asBytes("")), "");
    EXPECT_EQ(encodeBase64(asBytes("M")), "TQ==");
    EXPECT_EQ(encodeBase64(asBytes("Ma")), "TWE=");
    EXPECT_EQ(encodeBase64(asBytes("Man")), "TWFu");
    ByteVector all(256);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(255 - i);
    for (size_t length : {1u, 2u, 3u, 4u, 5u, 17u, 255u, 256u}) {
        const Bytes part = Bytes(all).first(length);
        EXPECT_EQ(decodeBase64(encodeBase64(part), "test"), ByteVector(part.begin(), part.end()));
    }
}

}  // namespace
}  // namespace jet::office
