// Pictures decoded with libvips and the "Similar pictures" search on real files: which variants of
// a picture stay within which distance, and what the search makes of a folder of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/file_times.h"
#include "search/camera_raw.h"
#include "search/duplicate_search.h"
#include "search/jpeg_decoder.h"
#include "search/picture_bombs.h"
#include "search/picture_decoder.h"
#include "search/picture_grouper.h"
#include "search/picture_hash.h"
#include "search/picture_test_support.h"
#include "search/search_test_support.h"
#include "support/temp_tree.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::photograph;
using testing::savedAs;
using testing::VipsPicture;

PictureFacts factsOf(const std::string& file) {
  PictureFacts facts;
  EXPECT_EQ(describePicture(file.data(), file.size(), facts), PictureFailure::None);
  return facts;
}

unsigned defaultDistance() { return kSimilaritySteps[kDefaultSimilarityStep].maxDistance; }

class PictureVariantsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(picturesBuiltIn()); }
};

TEST_F(PictureVariantsTest, TheWholeSizeIsReportedUpright) {
  const VipsPicture picture = photograph(1, 640, 400);
  EXPECT_EQ(factsOf(savedAs(picture, ".jpg")), (PictureFacts{factsOf(savedAs(picture, ".png")).hash, 640, 400}));
  const PictureFacts turned = factsOf(savedAs(testing::turnedWithTag(picture), ".jpg"));
  EXPECT_EQ(turned.width, 640u);
  EXPECT_EQ(turned.height, 400u);
}

// Each variant as a collection holds it, and the distance within which it must stay.
TEST_F(PictureVariantsTest, VariantsStayNearTheirPicture) {
  struct Variant {
    const char* name;
    std::string (*make)(const VipsPicture&);
    unsigned within;
  };
  const Variant variants[] = {
      {"the same pixels as PNG", [](const VipsPicture& p) { return savedAs(p, ".png"); }, 2},
      {"WebP", [](const VipsPicture& p) { return savedAs(p, ".webp"); }, 4},
      {"TIFF", [](const VipsPicture& p) { return savedAs(p, ".tif"); }, 2},
      {"JPEG quality 50", [](const VipsPicture& p) { return savedAs(p, ".jpg", 50); }, 4},
      {"JPEG quality 95", [](const VipsPicture& p) { return savedAs(p, ".jpg", 95); }, 4},
      {"half the size", [](const VipsPicture& p) { return savedAs(testing::resized(p, 0.5), ".jpg"); }, 4},
      {"a fifth of the size", [](const VipsPicture& p) { return savedAs(testing::resized(p, 0.2), ".jpg", 75); }, 6},
      {"turned by its tag", [](const VipsPicture& p) { return savedAs(testing::turnedWithTag(p), ".jpg"); }, 4},
      // libjpeg gives no grey of CMYK: libvips reads it.
      {"CMYK", [](const VipsPicture& p) { return savedAs(testing::inCmyk(p), ".jpg"); }, defaultDistance()},
      {"grey", [](const VipsPicture& p) { return savedAs(testing::greyed(p), ".jpg"); }, 10},
      {"10 % brighter", [](const VipsPicture& p) { return savedAs(testing::brightened(p, 1.1), ".jpg"); }, 8},
      {"10 % darker", [](const VipsPicture& p) { return savedAs(testing::brightened(p, 0.9), ".jpg"); }, 8},
      {"2 % cropped", [](const VipsPicture& p) { return savedAs(testing::cropped(p, 0.02), ".jpg"); }, 6},
      {"5 % cropped", [](const VipsPicture& p) { return savedAs(testing::cropped(p, 0.05), ".jpg"); },
       defaultDistance()},
  };
  for (unsigned seed = 1; seed <= 6; ++seed) {
    const VipsPicture picture = photograph(seed);
    const std::uint64_t original = factsOf(savedAs(picture, ".jpg", 92)).hash;
    for (const Variant& variant : variants) {
      const unsigned distance = hammingDistance(original, factsOf(variant.make(picture)).hash);
      EXPECT_LE(distance, variant.within) << variant.name << ", picture " << seed;
      EXPECT_LE(distance, defaultDistance()) << variant.name << ", picture " << seed;
    }
  }
}

// A picture whose shapes lie a few grey levels deep, under a grain deeper than they are: it keeps
// its hash as it is resized and saved again, and stays apart from another such picture.
TEST_F(PictureVariantsTest, AFaintPictureKeepsItsLayout) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const VipsPicture picture = testing::faded(photograph(seed), 6, seed);
    const std::uint64_t original = factsOf(savedAs(picture, ".jpg", 92)).hash;
    EXPECT_LE(hammingDistance(original, factsOf(savedAs(testing::resized(picture, 0.3), ".jpg")).hash),
              defaultDistance())
        << seed;
    EXPECT_LE(hammingDistance(original, factsOf(savedAs(picture, ".png")).hash), defaultDistance()) << seed;
    const VipsPicture other = testing::faded(photograph(seed + 50), 6, seed);
    EXPECT_GT(hammingDistance(original, factsOf(savedAs(other, ".jpg", 92)).hash), defaultDistance()) << seed;
  }
}

TEST_F(PictureVariantsTest, CameraRawFilesAreReadByLibraw) {
  ASSERT_TRUE(cameraRawBuiltIn());
  EXPECT_EQ(pictureKindOfName("IMG_0001.CR2"), PictureKind::CameraRaw);
  const auto rawFacts = [](const std::string& file) {
    PictureFacts facts;
    EXPECT_EQ(describePicture(file.data(), file.size(), facts, PictureKind::CameraRaw), PictureFailure::None);
    return facts;
  };
  // Without a preview, the sensor's data developed: the picture its JPEG shows.
  const VipsPicture picture = photograph(5);
  const PictureFacts developed = rawFacts(testing::dngOf(picture, 1));
  EXPECT_EQ(developed.width, 800u);
  EXPECT_EQ(developed.height, 600u);
  EXPECT_LE(hammingDistance(developed.hash, factsOf(savedAs(picture, ".jpg")).hash), 4u);
  // With one, the preview, turned upright by the RAW file's orientation (its own tag is not looked
  // at): here another picture than the sensor's, to tell which was read.
  const VipsPicture other = photograph(6), turnedOther = testing::turnedWithTag(other);
  const PictureFacts previewed = rawFacts(testing::dngOf(
      testing::turnedWithTag(picture), 6, savedAs(turnedOther, ".jpg"), turnedOther.width(), turnedOther.height()));
  EXPECT_EQ(previewed.width, 800u);
  EXPECT_EQ(previewed.height, 600u);
  EXPECT_LE(hammingDistance(previewed.hash, factsOf(savedAs(other, ".jpg")).hash), 2u);
  PictureFacts facts;
  const std::string text = "no RAW file at all";
  EXPECT_EQ(describePicture(text.data(), text.size(), facts, PictureKind::CameraRaw), PictureFailure::Unreadable);
}

TEST_F(PictureVariantsTest, UnrelatedPicturesStayApart) {
  std::vector<std::uint64_t> hashes;
  for (unsigned seed = 100; seed < 130; ++seed)
    hashes.push_back(factsOf(savedAs(photograph(seed, 320, 240), ".jpg")).hash);
  const unsigned loosest = kSimilaritySteps.back().maxDistance;
  for (std::size_t i = 0; i < hashes.size(); ++i)
    for (std::size_t j = i + 1; j < hashes.size(); ++j)
      EXPECT_GT(hammingDistance(hashes[i], hashes[j]), loosest) << i << " and " << j;
}

TEST_F(PictureVariantsTest, WhatIsNoPictureIsSaidSo) {
  PictureFacts facts;
  const std::string text = "no picture at all, only text";
  EXPECT_EQ(describePicture(text.data(), text.size(), facts), PictureFailure::Unreadable);
  const std::string jpeg = savedAs(photograph(3, 200, 100), ".jpg");
  EXPECT_NE(describePicture(jpeg.data(), 40, facts), PictureFailure::None);  // the head alone
  EXPECT_EQ(describePicture(jpeg.data(), 0, facts), PictureFailure::Unreadable);
  EXPECT_TRUE(isPictureName("IMG_0001.JPG"));
  EXPECT_TRUE(isPictureName("a.b.heic"));
  EXPECT_FALSE(isPictureName("notes.txt"));
  EXPECT_FALSE(isPictureName("jpg"));
}

// The picture with `count` bytes from its middle on overwritten by 0xFF.
std::string brokenInTheMiddle(std::string file, std::size_t count) {
  for (std::size_t i = file.size() / 2; i < file.size() / 2 + count; ++i) file[i] = static_cast<char>(0xFF);
  return file;
}

// Headers over the limits are refused before anything their size claims is allocated; a picture
// decoded only in part is damaged; neither is hashed. Real pictures of each kind still are.
TEST_F(PictureVariantsTest, OnlyWholePicturesWithinTheLimitsAreHashed) {
  const VipsPicture small = photograph(7, 64, 48), larger = photograph(8);
  const std::string baseline = savedAs(small, ".jpg"), progressive = testing::progressiveJpeg(small);
  const std::string jpeg = savedAs(larger, ".jpg"), png = savedAs(larger, ".png");
  struct Case {
    const char* name;
    std::string file;
    PictureFailure expected;
    PictureKind kind = PictureKind::Ordinary;
  };
  const Case cases[] = {
      {"progressive JPEG", testing::progressiveJpeg(larger), PictureFailure::None},
      {"PNG", png, PictureFailure::None},
      {"progressive JPEG claiming 65500 x 65500", testing::jpegClaiming(progressive, 65500, 65500),
       PictureFailure::TooManyPixels},
      {"baseline JPEG claiming 30000 x 30000", testing::jpegClaiming(baseline, 30000, 30000),
       PictureFailure::TooManyPixels},
      {"PNG claiming 65500 x 65500", testing::pngClaiming(png, 65500, 65500), PictureFailure::TooManyPixels},
      {"JPEG claiming one row over the limit, 10240 x 10241", testing::jpegClaiming(baseline, 10240, 10241),
       PictureFailure::TooManyPixels},
      // 81 million pixels, but in full colour 460 MiB of coefficients.
      {"progressive 4:4:4 JPEG claiming 9000 x 9000",
       testing::jpegClaiming(testing::progressiveJpeg(small, false), 9000, 9000), PictureFailure::TooMuchMemory},
      // An interlaced PNG is decoded whole: 343 MiB here, with its alpha.
      {"interlaced PNG claiming 10000 x 9000",
       testing::pngClaiming(testing::interlacedPngWithAlpha(small), 10000, 9000), PictureFailure::TooMuchMemory},
      {"interlaced PNG", testing::interlacedPngWithAlpha(small), PictureFailure::None},
      {"RAW file whose preview claims 65500 x 65500",
       testing::dngOf(small, 1, testing::jpegClaiming(baseline, 65500, 65500), 65500, 65500),
       PictureFailure::TooManyPixels, PictureKind::CameraRaw},
      {"JPEG without its end marker", jpeg.substr(0, jpeg.size() - 2), PictureFailure::None},
      {"JPEG cut short", jpeg.substr(0, jpeg.size() * 2 / 3), PictureFailure::Damaged},
      {"JPEG with a broken segment", brokenInTheMiddle(jpeg, 64), PictureFailure::Damaged},
      {"progressive JPEG cut short", progressive.substr(0, progressive.size() * 2 / 3), PictureFailure::Damaged},
      {"PNG cut short", png.substr(0, png.size() * 2 / 3), PictureFailure::Damaged},
  };
  for (const Case& c : cases) {
    PictureFacts facts;
    EXPECT_EQ(describePicture(c.file.data(), c.file.size(), facts, c.kind), c.expected) << c.name;
  }
  // libjpeg itself judges the header too, for callers that give it a JPEG straight (a RAW preview).
  JpegPixels pixels;
  const std::string bomb = testing::jpegClaiming(progressive, 65500, 65500);
  EXPECT_FALSE(decodeJpeg(bomb.data(), bomb.size(), JpegDecoding{.grey = true, .leastSide = 256}, pixels));
  EXPECT_EQ(pixels.failure, PictureFailure::TooManyPixels);
  EXPECT_TRUE(pixels.bytes.empty());
}

class SimilarPicturesSearchTest : public ::testing::Test {
 protected:
  SearchResult search(unsigned distance = defaultDistance(), bool useCache = false, std::uint64_t* read = nullptr) {
    SearchRequest request = testing::requestFor({tree.root()});
    request.mode = SearchMode::SimilarPictures;
    request.pictureDistance = distance;
    request.useCache = useCache;
    request.cacheFolder = cacheBase / "Pelimor/";
    request.readStart = platform::wallClockNanoseconds() + 10'000'000'000;  // nothing racy
    SearchProgress progress;
    SearchControl control;
    SearchResult result = runDuplicateSearch(request, progress, control);
    if (read) *read = progress.bytesRead();
    return result;
  }
  // "group WxH distance name" per row.
  static std::vector<std::string> describe(const std::vector<ResultRow>& rows) {
    std::vector<std::string> lines;
    for (const ResultRow& row : rows)
      lines.push_back(std::to_string(row.group) + " " + std::to_string(row.width) + "x" + std::to_string(row.height) +
                      " " + std::to_string(row.distance) + " " + std::string(row.name()));
    return lines;
  }

  testing::TempTree tree;
  testing::TempFolder cacheBase;
};

TEST_F(SimilarPicturesSearchTest, VariantsMakeOneGroupLedByTheLargestPicture) {
  const VipsPicture beach = photograph(11), forest = photograph(12);
  tree.file("a/beach-small.jpg", savedAs(testing::resized(beach, 0.5), ".jpg", 60));
  tree.file("b/beach.jpg", savedAs(beach, ".jpg"));
  tree.file("c/beach-copy.jpg", savedAs(beach, ".jpg"));
  tree.file("c/beach-grey.png", savedAs(testing::greyed(testing::resized(beach, 0.8)), ".png"));
  tree.file("forest.jpg", savedAs(forest, ".jpg"));
  tree.file("forest-turned.jpeg", savedAs(testing::turnedWithTag(testing::resized(forest, 0.5)), ".jpg"));
  tree.file("forest.dng", testing::dngOf(forest, 1));  // the camera's own file: the largest
  tree.file("unrelated.webp", savedAs(photograph(13), ".webp"));
  tree.file("notes.txt", "not looked at");
  const SearchResult result = search();
  EXPECT_TRUE(result.skipped.empty());
  ASSERT_EQ(result.rows.size(), 7u);
  const std::vector<std::string> lines = describe(result.rows);
  // Groups by their first path; the leading picture and its byte-identical copy first.
  EXPECT_EQ(lines[0], "1 800x600 0 beach.jpg");
  EXPECT_EQ(lines[1], "1 800x600 0 beach-copy.jpg");
  EXPECT_EQ(result.rows[2].group, 1u);
  EXPECT_EQ(result.rows[3].group, 1u);
  EXPECT_EQ(lines[4], "2 800x600 0 forest.dng");
  EXPECT_EQ(result.rows[5].group, 2u);  // forest.jpg and the turned one, the nearer first
  EXPECT_EQ(result.rows[6].group, 2u);
  // Each row carries its own file's digest; equal digests mark the byte-identical copies.
  EXPECT_TRUE(sameBytes(result.rows[0], result.rows[1]));
  EXPECT_FALSE(sameBytes(result.rows[0], result.rows[2]));
  EXPECT_EQ(byteIdenticalRows(result.rows), (std::vector<bool>{true, true, false, false, false, false, false}));
  for (const ResultRow& row : result.rows) EXPECT_LE(row.distance, defaultDistance());
}

TEST_F(SimilarPicturesSearchTest, ByteIdenticalPicturesAloneAreAGroupToo) {
  const std::string picture = savedAs(photograph(21, 300, 200), ".png");
  tree.file("one.png", picture);
  tree.file("two.png", picture);
  const SearchResult result = search(kSimilaritySteps.front().maxDistance);
  EXPECT_EQ(describe(result.rows), (std::vector<std::string>{"1 300x200 0 one.png", "1 300x200 0 two.png"}));
}

TEST_F(SimilarPicturesSearchTest, APictureThatCannotBeComparedIsSkippedWithAReason) {
  const VipsPicture picture = photograph(31, 200, 100);
  const std::string jpeg = savedAs(picture, ".jpg");
  tree.file("broken.jpg", "this is no JPEG");
  tree.file("bomb.jpg", testing::jpegClaiming(testing::progressiveJpeg(picture), 65500, 65500));
  tree.file("cut.jpg", jpeg.substr(0, jpeg.size() / 2));  // its first half is the good one's
  tree.file("good.jpg", jpeg);
  tree.file("good.png", savedAs(picture, ".png"));
  const SearchResult result = search();
  EXPECT_EQ(describe(result.rows), (std::vector<std::string>{"1 200x100 0 good.png", "1 200x100 0 good.jpg"}));
  std::vector<std::string> skipped;
  for (const SkippedFile& file : result.skipped)
    skipped.push_back(std::filesystem::path(file.path).filename().string() + ": " + file.reason);
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (std::vector<std::string>{
                         "bomb.jpg: the picture is larger than 100 megapixels: it is not compared",
                         "broken.jpg: not a picture that can be read, or a damaged one",
                         "cut.jpg: the picture is damaged: only part of it could be decoded, so it is not compared",
                     }));
}

TEST_F(SimilarPicturesSearchTest, TheCacheKeepsTheHashesSoUnchangedPicturesAreNotReadAgain) {
  const VipsPicture picture = photograph(41, 400, 300);
  tree.file("a.jpg", savedAs(picture, ".jpg"));
  tree.file("b.png", savedAs(testing::resized(picture, 0.5), ".png"));
  std::uint64_t firstRead = 0, secondRead = 0;
  const SearchResult first = search(defaultDistance(), true, &firstRead);
  ASSERT_EQ(first.rows.size(), 2u);
  EXPECT_GT(firstRead, 0u);
  first.cacheWriting->warnings();  // saved
  const SearchResult second = search(defaultDistance(), true, &secondRead);
  EXPECT_EQ(secondRead, 0u);
  EXPECT_EQ(describe(second.rows), describe(first.rows));
  EXPECT_EQ(second.rows[1].digest(), first.rows[1].digest());
  EXPECT_TRUE(second.warnings.empty());
  // A search for identical files finds the digests the picture search left.
  SearchRequest exact = testing::requestFor({tree.root()});
  tree.file("c.jpg", savedAs(picture, ".jpg"));
  exact.useCache = true;
  exact.cacheFolder = cacheBase / "Pelimor/";
  SearchProgress progress;
  SearchControl control;
  const SearchResult identical = runDuplicateSearch(exact, progress, control);
  EXPECT_EQ(identical.rows.size(), 2u);
  EXPECT_EQ(progress.bytesRead(), identical.rows[0].size);  // c.jpg alone was read
}

}  // namespace
}  // namespace pelimor
