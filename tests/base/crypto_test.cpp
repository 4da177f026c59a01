#include "base/crypto.h"

#include <gtest/gtest.h>

namespace qws::crypto {
namespace {

TEST(Crypto, DigestsMatchPublishedVectors) {
  EXPECT_EQ(ToHex(Md5("abc")), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(ToHex(Sha1("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(ToHex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

  Hasher hasher(DigestAlgorithm::Sha1);
  hasher.Update("a", 1);
  hasher.Update("bc", 2);
  EXPECT_EQ(hasher.Finish(), Sha1("abc"));
  EXPECT_EQ(hasher.Finish(), Sha1("")) << "finishing starts the hasher again";
}

TEST(Crypto, HexRoundTripsAndRejectsDamage) {
  EXPECT_EQ(FromHex("00ffA1"), std::string("\x00\xff\xa1", 3));
  EXPECT_FALSE(FromHex("abc"));
  EXPECT_FALSE(FromHex("zz"));
}

TEST(Crypto, DsaSignaturesVerifyOnlyForTheirKeyAndData) {
  const auto key = GenerateDsaKey(1024, 160);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->publicKey.q.size(), 20u);
  const std::string digest = Sha1("the signed file");
  const auto signature = DsaSign(*key, digest);
  ASSERT_TRUE(signature);
  EXPECT_EQ(signature->r.size(), 20u);
  EXPECT_EQ(signature->s.size(), 20u);
  EXPECT_TRUE(DsaVerify(key->publicKey, digest, *signature));

  EXPECT_FALSE(DsaVerify(key->publicKey, Sha1("another file"), *signature));
  DsaSignature flipped = *signature;
  flipped.s[7] ^= 1;
  EXPECT_FALSE(DsaVerify(key->publicKey, digest, flipped));
  EXPECT_FALSE(DsaVerify(key->publicKey, digest, DsaSignature{std::string(20, '\0'), signature->s}));
  EXPECT_FALSE(DsaVerify(key->publicKey, digest, DsaSignature{key->publicKey.q, signature->s}))
      << "r must be below q";

  const auto other = GenerateDsaKey(1024, 160);
  ASSERT_TRUE(other);
  EXPECT_FALSE(DsaVerify(other->publicKey, digest, *signature));
}

TEST(Crypto, KeysSurviveTheirTextForm) {
  const auto key = GenerateDsaKey(2048, 256);
  ASSERT_TRUE(key);
  const auto parsed = ParsePrivateKey(SerializePrivateKey(*key));
  ASSERT_TRUE(parsed);
  const std::string digest = Sha256("manifest");
  const auto signature = DsaSign(*parsed, digest);
  ASSERT_TRUE(signature);
  const auto publicOnly = ParsePublicKey(SerializePublicKey(key->publicKey));
  ASSERT_TRUE(publicOnly);
  EXPECT_TRUE(DsaVerify(*publicOnly, digest, *signature));

  EXPECT_FALSE(ParsePublicKey("p=00\nq=zz\n"));
  EXPECT_FALSE(ParsePublicKey("p=01\n"));
  EXPECT_FALSE(ParsePrivateKey(SerializePublicKey(key->publicKey)));
}

}  // namespace
}  // namespace qws::crypto
