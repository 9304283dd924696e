// The generator against values published for the Basic runtime, and the seal password encoding.
#include <gtest/gtest.h>

#include "crypto/cipher_error.h"
#include "crypto/crypto.h"
#include "crypto/seal_cipher.h"
#include "crypto/vb_random.h"

namespace verolin::crypto {
namespace {

TEST(VbRandom, FreshProcessDrawsThePublishedSequence) {
  const float published[] = {0.7055475f, 0.533424f,   0.5795186f, 0.2895625f, 0.301948f,
                             0.7747401f, 0.01401764f, 0.7607236f, 0.81449f,   0.7090379f};
  VbRandom generator;
  for (float expected : published) EXPECT_NEAR(generator.next(), expected, 5e-7f);
}

TEST(VbRandom, RandomizeKeepsTheLowByteAndSetsTheMiddleBits) {
  VbRandom fresh;
  fresh.randomize(0);
  fresh.next();
  EXPECT_EQ(fresh.state(), 12820163u);
  fresh.next();
  EXPECT_EQ(fresh.state(), 6000250u);

  VbRandom reset;
  EXPECT_EQ(reset.restart(-1.0f), 0.2240070104598999f);
  EXPECT_EQ(reset.state(), 0x395886u);
  reset.randomize(0);
  EXPECT_EQ(reset.state(), 0x000086u);
  EXPECT_NEAR(reset.next(), 0.3328429f, 5e-7f);

  reset.restart(-1.0f);
  reset.randomize(1976);
  EXPECT_EQ(reset.state(), 0xA09E86u);
}

TEST(VbRandom, LargeSeedsLoseTheirLowBitsThroughTheDouble) {
  VbRandom a;
  VbRandom b;
  a.randomize(4194304.0);  // 2^22
  b.randomize(4194305.0);
  EXPECT_EQ(a.state(), b.state());
}

TEST(SealCipher, SeedsOfTheFixedKeysGiveTheKnownStates) {
  EXPECT_EQ(passwordSeed("fesu31"), 31209996);
  EXPECT_EQ(passwordSeed("hmtrwd"), 52848424);
  VbRandom generator;
  generator.restart(-1.0f);
  generator.randomize(passwordSeed("fesu31"));
  EXPECT_EQ(generator.state(), 0x82DD86u);
  generator.restart(-1.0f);
  generator.randomize(passwordSeed("hmtrwd"));
  EXPECT_EQ(generator.state(), 0x72B086u);
  // The first character's two shifts are both 0, so its products cancel.
  EXPECT_EQ(passwordSeed("Xesu31"), passwordSeed("fesu31"));
}

TEST(SealCipher, EncodingIsStableAndPrintable) {
  EXPECT_EQ(encodeSealPassword(""), "");
  // Pinned: servers compare against stored encodings, so this must never drift.
  EXPECT_EQ(encodeSealPassword("123456"), "auL4vb");
  const std::string encoded = encodeSealPassword("Seal pass ~!");
  EXPECT_EQ(encoded, encodeSealPassword("Seal pass ~!"));
  ASSERT_EQ(encoded.size(), 12u);
  for (char c : encoded) {
    EXPECT_GE(c, 32);
    EXPECT_LE(c, 126);
  }
}

TEST(SealCipher, NonPrintableCharactersAreDroppedWithoutADraw) {
  EXPECT_EQ(encodeSealPassword("ab\tc\n中文d"), encodeSealPassword("abcd"));
  EXPECT_EQ(encodeSealPassword("印章"), "");
}

TEST(SealCipher, KeyWhoseShiftedCodeOverflowsIsRefused) {
  // Double-byte characters read negative; shifted by 19 they leave the 32-bit range.
  try {
    passwordSeed("中中中中中中");
    FAIL() << "no error";
  } catch (const CipherError& e) {
    EXPECT_EQ(e.fault(), CipherFault::kUnusablePassword);
  }
}

}  // namespace
}  // namespace verolin::crypto
