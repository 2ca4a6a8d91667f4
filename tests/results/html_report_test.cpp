#include "results/html_report.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "pelimor_version.h"
#include "support/test_files.h"

namespace pelimor {
namespace {

using testing::readFile;
using testing::TempFolder;

// The report's fixed lines, each ending in CR LF.
const std::string kHead =
    "<html>\r\n"
    "\r\n"
    "<head>\r\n"
    "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"
    "<meta name=\"GENERATOR\" content=\"" +
    std::string(kNameAndVersion) +
    "\">\r\n"
    "</head>\r\n"
    "\r\n"
    "<body>\r\n"
    "\r\n"
    "<h2 align=\"center\"><span style=\"letter-spacing: 3\"><b>" +
    std::string(kNameAndVersion) +
    "</b></span></h2>\r\n"
    "\r\n"
    "<table border=\"1\" width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" style='width:100.0%; "
    "mso-cellspacing:0cm;mso-padding-alt:0cm 0cm 0cm 0cm'>\r\n"
    "<tr align=\"center\" bgcolor=\"000000\">\r\n"
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>#</b> </font> </td>\r\n"
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Name</b> </font> </td>\r\n"
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Path</b> </font> </td>\r\n"
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Size</b> </font> </td>\r\n"
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>CRC32</b> </font> </td>\r\n"
    "</tr>\r\n";
const std::string kTail =
    "</table>\r\n"
    "\r\n"
    "</body>\r\n"
    "</html>\r\n";

ResultRow row(std::uint32_t group, std::string path, std::uint64_t size, std::uint32_t crc) {
  ResultRow r;
  r.group = group;
  r.path = std::move(path);
  r.size = size;
  r.crc32 = crc;
  return r;
}

class Report : public ::testing::Test {
 protected:
  TempFolder temp;
  std::string file = temp / "Duplicates.html";
};

TEST_F(Report, EmptyListGivesTheHeadAndTheTail) {
  writeHtmlReport(file, {});
  EXPECT_EQ(readFile(file), kHead + kTail);
}

TEST_F(Report, RowsInListOrderShadedByGroupParity) {
  const std::vector<ResultRow> rows = {
      row(1, "/p/a.jpg", 9, 0x0000ABCD),       row(1, "/q/a.jpg", 9, 0x0000ABCD),
      row(2, "/p/b.png", 10, 0xFFFFFFFF),      row(2, "/r/s/b.png", 10, 0xFFFFFFFF),
      row(3, "/c", 4294967296ull, 0x12345678), row(3, "/t/c", 4294967296ull, 0x12345678)};
  writeHtmlReport(file, rows);
  const std::string expected = kHead +
                               "<tr>\r\n<td>1</td>\r\n<td>a.jpg</td>\r\n<td>/p/a.jpg</td>\r\n<td>9</td>\r\n"
                               "<td>0000ABCD</td>\r\n</tr>\r\n"
                               "<tr>\r\n<td>1</td>\r\n<td>a.jpg</td>\r\n<td>/q/a.jpg</td>\r\n<td>9</td>\r\n"
                               "<td>0000ABCD</td>\r\n</tr>\r\n"
                               "<tr bgcolor=\"#EFEFEF\">\r\n<td>2</td>\r\n<td>b.png</td>\r\n<td>/p/b.png</td>\r\n"
                               "<td>10</td>\r\n<td>FFFFFFFF</td>\r\n</tr>\r\n"
                               "<tr bgcolor=\"#EFEFEF\">\r\n<td>2</td>\r\n<td>b.png</td>\r\n<td>/r/s/b.png</td>\r\n"
                               "<td>10</td>\r\n<td>FFFFFFFF</td>\r\n</tr>\r\n"
                               "<tr>\r\n<td>3</td>\r\n<td>c</td>\r\n<td>/c</td>\r\n<td>4294967296</td>\r\n"
                               "<td>12345678</td>\r\n</tr>\r\n"
                               "<tr>\r\n<td>3</td>\r\n<td>c</td>\r\n<td>/t/c</td>\r\n<td>4294967296</td>\r\n"
                               "<td>12345678</td>\r\n</tr>\r\n" +
                               kTail;
  EXPECT_EQ(readFile(file), expected);
}

TEST_F(Report, ShadingFollowsTheGroupNotThePosition) {
  writeHtmlReport(file, {row(2, "/a", 1, 0), row(5, "/b", 1, 0), row(2, "/c", 1, 0)});
  const std::string body = readFile(file).substr(kHead.size());
  EXPECT_EQ(body.rfind("<tr bgcolor=\"#EFEFEF\">\r\n<td>2</td>", 0), 0u);
  EXPECT_NE(body.find("</tr>\r\n<tr>\r\n<td>5</td>"), std::string::npos);
  EXPECT_NE(body.find("</tr>\r\n<tr bgcolor=\"#EFEFEF\">\r\n<td>2</td>\r\n<td>c</td>"), std::string::npos);
}

TEST_F(Report, MarkupAndLineBreaksInNamesAreEscaped) {
  // A name can hold no '/', but every other markup character, and line breaks.
  writeHtmlReport(file, {row(1, "/music/Tom & Jerry/<img src=x onerror=\"alert(1)\"> \xC3\xA9\n.mp3", 5, 1)});
  const std::string expected = kHead +
                               "<tr>\r\n<td>1</td>\r\n"
                               "<td>&lt;img src=x onerror=&quot;alert(1)&quot;&gt; \xC3\xA9\\x0A.mp3</td>\r\n"
                               "<td>/music/Tom &amp; Jerry/&lt;img src=x onerror=&quot;alert(1)&quot;&gt; "
                               "\xC3\xA9\\x0A.mp3</td>\r\n"
                               "<td>5</td>\r\n<td>00000001</td>\r\n</tr>\r\n" +
                               kTail;
  EXPECT_EQ(readFile(file), expected);
}

TEST_F(Report, FilesWithNoCopyComeAfterTheGroupsOnlyWhenAskedFor) {
  const std::vector<UniqueFile> none;
  writeHtmlReport(file, {}, &none);
  const std::string empty = readFile(file);
  EXPECT_NE(empty.find("with no copy elsewhere: 0</h3>"), std::string::npos);
  const std::vector<UniqueFile> unique = {{"/backup/a<b>.jpg", 12}};
  writeHtmlReport(file, {row(1, "/a", 1, 0)}, &unique);
  const std::string text = readFile(file);
  const std::size_t section = text.find("with no copy elsewhere: 1</h3>");
  ASSERT_NE(section, std::string::npos);
  EXPECT_LT(text.find("<td>/a</td>"), section);
  EXPECT_NE(text.find("<tr>\r\n<td>a&lt;b&gt;.jpg</td>\r\n<td>/backup/a&lt;b&gt;.jpg</td>\r\n<td>12</td>\r\n</tr>\r\n" +
                      kTail),
            std::string::npos);
}

TEST(EscapedHtml, EveryByteThatIsNotPrintableUtf8BecomesAnEscape) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0 \xED\x9F\xBF \xF4\x8F\xBF\xBF",  // kept, up to U+10FFFF
       "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xC2\xA0 \xED\x9F\xBF \xF4\x8F\xBF\xBF"},
      {"a&b<c>d\"e'f C:\\x41", "a&amp;b&lt;c&gt;d&quot;e'f C:\\\\x41"},  // a backslash always starts an escape
      {std::string_view("\n\r\t\0\x1F\x7F \xC2\x85", 9), "\\x0A\\x0D\\x09\\x00\\x1F\\x7F \\xC2\\x85"},  // C0, DEL, C1
      {"\xE9 \x80 \xFF \xC0\xAF \xE0\x80\xAF",
       "\\xE9 \\x80 \\xFF \\xC0\\xAF \\xE0\\x80\\xAF"},                           // stray bytes, overlong
      {"\xED\xA0\x80 \xF4\x90\x80\x80", "\\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},  // a surrogate, past U+10FFFF
      {"\xE2\x82z \xF0\x9F\x98", "\\xE2\\x82z \\xF0\\x9F\\x98"},                  // cut off, and at the end
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(escapedHtml(text), expected) << text;
}

TEST_F(Report, PrintingAgainReplacesTheReport) {
  writeHtmlReport(file, {row(1, "/a", 1, 0), row(1, "/b", 1, 0)});
  writeHtmlReport(file, {});
  EXPECT_EQ(readFile(file), kHead + kTail);
}

TEST_F(Report, LargeListIsWrittenWhole) {
  std::vector<ResultRow> rows;
  for (std::uint32_t i = 0; i < 20000; ++i) rows.push_back(row(i / 2 + 1, "/folder/file" + std::to_string(i), i, i));
  writeHtmlReport(file, rows);
  const std::string report = readFile(file);
  EXPECT_EQ(report.substr(report.size() - kTail.size()), kTail);
  EXPECT_NE(report.find("<td>/folder/file19999</td>\r\n"), std::string::npos);
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = report.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 19u + 7u * rows.size() + 4u);
}

std::string errorOf(const std::string& fileName) {
  try {
    writeHtmlReport(fileName, {row(1, "/a", 1, 0)});
  } catch (const ReportError& error) {
    return error.what();
  }
  return "no error";
}

TEST_F(Report, FailuresCarryTheErrorBoxText) {
  EXPECT_EQ(errorOf(temp / "missing folder/Duplicates.html"), "Invalid filename");
  // A folder stands at the name: Windows refuses access, other systems tell what is there.
  EXPECT_EQ(errorOf(temp.path()), PELIMOR_ON_WINDOWS ? "File access denied" : "I/O error 21");
  if (!PELIMOR_ON_WINDOWS) {
    EXPECT_EQ(errorOf("/dev/full"), "Disk full");
  }
}

TEST_F(Report, ReadOnlyReportFileIsAccessDenied) {
  testing::openToEveryone(temp.path());
  testing::writeFile(file, "old report");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  // Windows has the read-only attribute, which refuses everyone; elsewhere root writes anything.
  EXPECT_EQ(PELIMOR_ON_WINDOWS ? errorOf(file) : testing::runUnprivileged([&] { return errorOf(file); }),
            "File access denied");
  EXPECT_EQ(readFile(file), "old report");
}

TEST(ReportFileName, IsInTheDataFolder) {
  const char* variable = PELIMOR_ON_WINDOWS ? "APPDATA" : "XDG_CONFIG_HOME";
  const std::string saved = testing::setEnvironment(variable, "/somewhere/config");
  EXPECT_EQ(defaultReportFileName(), "/somewhere/config/Pelimor/Duplicates.html");
  testing::setEnvironment(variable, saved);
}

}  // namespace
}  // namespace pelimor
