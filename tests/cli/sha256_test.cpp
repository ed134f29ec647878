#include "cli/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The FIPS 180-4 examples: empty, one block, a message whose padding needs a second block,
// two blocks, and a million bytes fed in pieces that straddle every block boundary.
TEST(Sha256, GivesTheStandardsDigests) {
  struct Case {
    std::string message;
    std::size_t piece;  // the size of the pieces it is fed in
    const char* digest;
  };
  const std::vector<Case> cases = {
      {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 5,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopq"
       "rlmnopqrsmnopqrstnopqrstu",
       64, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), 997,
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    kvx::cli::Sha256 digest;
    for (std::size_t at = 0; at < c.message.size(); at += c.piece)
      digest.Add(c.message.substr(at, c.piece));
    EXPECT_EQ(digest.HexDigest(), c.digest) << c.message.size() << " bytes";
  }
  EXPECT_EQ(kvx::cli::Sha256Hex("abc"), cases[1].digest);
}

}  // namespace
