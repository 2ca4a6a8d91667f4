#include "search/crc32.h"

#include <gtest/gtest.h>

#include <system_error>
#include <vector>

#include "platform/file_reader.h"
#include "search/content_digest.h"
#include "support/reference_crc32.h"
#include "support/temp_tree.h"

namespace pelimor {
namespace {

class Crc32Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::buildReferenceCrcTable(); }
  static std::uint32_t reference(const std::string& bytes) {
    return testing::referenceUpdateCrc32(0xFFFFFFFFu, bytes.data(), bytes.size()) ^ 0xFFFFFFFFu;
  }
};

TEST_F(Crc32Test, TableIsTheStandardReflectedTable) {
  EXPECT_EQ(testing::CrcTable[0], 0u);
  EXPECT_EQ(testing::CrcTable[1], 0x77073096u);
  EXPECT_EQ(testing::CrcTable[255], 0x2D02EF8Du);
}

TEST_F(Crc32Test, KnownCheckValues) {
  EXPECT_EQ(crc32Text(reference("123456789")), "CBF43926");
  EXPECT_EQ(crc32Text(reference("abc")), "352441C2");
  EXPECT_EQ(crc32Text(reference("")), "00000000");
  EXPECT_EQ(testing::referenceUpdateCrc32(0x12345678u, "x", 0), 0x12345678u);
}

TEST_F(Crc32Test, TextKeepsLeadingZerosAndUpperCase) {
  EXPECT_EQ(crc32Text(0x0000ABCDu), "0000ABCD");
  EXPECT_EQ(crc32Text(0xFFFFFFFFu), "FFFFFFFF");
}

TEST_F(Crc32Test, FastKernelAgreesWithTableOnEveryLengthAndAlignment) {
  const std::string data = testing::TempTree::patternBytes(4096 + 64, 7);
  for (size_t length = 0; length <= 4096; ++length) {
    ASSERT_EQ(fastUpdateCRC32(0xFFFFFFFFu, data.data(), length),
              testing::referenceUpdateCrc32(0xFFFFFFFFu, data.data(), length))
        << "length " << length;
  }
  for (size_t offset = 1; offset < 64; offset += 3) {
    for (size_t length : {1u, 15u, 16u, 17u, 63u, 64u, 65u, 255u, 1000u, 4031u}) {
      ASSERT_EQ(fastUpdateCRC32(0x0BADF00Du, data.data() + offset, length),
                testing::referenceUpdateCrc32(0x0BADF00Du, data.data() + offset, length))
          << "offset " << offset << " length " << length;
    }
  }
}

TEST_F(Crc32Test, DigestFoldsTheSameCrcInPieces) {
  const std::string data = testing::TempTree::patternBytes(100000, 3);
  ContentHasher whole, pieces;
  whole.update(data.data(), data.size());
  for (size_t at = 0; at < data.size(); at += 7777)
    pieces.update(data.data() + at, std::min<size_t>(7777, data.size() - at));
  EXPECT_EQ(whole.finish(), pieces.finish());
  EXPECT_EQ(whole.finish().crc32, reference(data));
  ContentHasher other;
  std::string changed = data;
  changed[50000] ^= 1;
  other.update(changed.data(), changed.size());
  EXPECT_NE(other.finish().strongLow, whole.finish().strongLow);
}

TEST_F(Crc32Test, FilesAcrossBlockBoundaries) {
  testing::TempTree tree;
  for (size_t size : {0u, 1u, 16383u, 16384u, 16385u, 40000u}) {
    const std::string content = testing::TempTree::patternBytes(size, static_cast<unsigned>(size));
    const std::string path = tree.file("f" + std::to_string(size), content);
    EXPECT_EQ(testing::referenceFileCrc32(path), crc32Text(reference(content))) << size;
    EXPECT_EQ(testing::referenceFileCrc32(path), testing::referenceFileCrc32(path));
  }
  EXPECT_EQ(testing::referenceFileCrc32(tree.file("check", "123456789")), "CBF43926");
}

TEST_F(Crc32Test, MissingFileAndFolderFail) {
  testing::TempTree tree;
  EXPECT_THROW(testing::referenceFileCrc32(tree.path("missing")), std::system_error);
  EXPECT_THROW(testing::referenceFileCrc32(tree.folder("folder")), std::system_error);
}

}  // namespace
}  // namespace pelimor
