#include "results/html_report.h"

#include <algorithm>
#include <initializer_list>

#include "pelimor_version.h"
#include "platform/file_operations.h"
#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "search/crc32.h"

namespace pelimor {

namespace {
const std::string kTableOpening =
    std::string("<table border=\"1\" width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" style='width:100.0%; ") +
    "mso-cellspacing:0cm;mso-padding-alt:0cm 0cm 0cm 0cm'>";
constexpr std::string_view kTitleRow = "<tr align=\"center\" bgcolor=\"000000\">";
std::string titleCell(std::string_view title) {
  return "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>" + std::string(title) + "</b> </font> </td>";
}

const std::string kHead[] = {
    "<html>",
    "",
    "<head>",
    // Names are written as the file system holds them, which on this system is UTF-8; bytes that
    // are not valid UTF-8 are written as escapes.
    "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">",
    std::string("<meta name=\"GENERATOR\" content=\"") + kNameAndVersion + "\">",
    "</head>",
    "",
    "<body>",
    "",
    std::string("<h2 align=\"center\"><span style=\"letter-spacing: 3\"><b>") + kNameAndVersion + "</b></span></h2>",
    "",
    kTableOpening,
    std::string(kTitleRow),
    titleCell("#"),
    titleCell("Name"),
    titleCell("Path"),
    titleCell("Size"),
    titleCell("CRC32"),
};
constexpr std::string_view kTail[] = {"</table>", "", "</body>", "</html>"};
constexpr std::string_view kLineEnd = "\r\n";
// Lines are gathered and written in pieces of about this size.
constexpr std::size_t kChunkBytes = 1 << 20;

void appendByteEscape(std::string& out, unsigned char byte) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

void appendEscapedTo(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      // 2 to 4 bytes of valid UTF-8, or a byte that starts none and is escaped alone.
      const std::size_t length = std::max<std::size_t>(utf8SequenceLength(text, i), 1);
      const std::string_view sequence = text.substr(i, length);
      const bool c1Control = c == 0xC2 && length == 2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
      if (length > 1 && !c1Control)
        out += sequence;
      else
        for (const char byte : sequence) appendByteEscape(out, static_cast<unsigned char>(byte));
      i += length;
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20 || c == 0x7F)
          appendByteEscape(out, c);
        else
          out += static_cast<char>(c);
    }
    ++i;
  }
}

class ReportWriter {
 public:
  explicit ReportWriter(const std::string& fileName) {
    if (const std::error_code error = file_.create(fileName))
      throw ReportError(platform::ioErrorText(platform::IoFailure::Create, error));
    pending_.reserve(kChunkBytes + 4096);
  }

  void line(std::string_view text) {
    pending_ += text;
    endLine();
  }
  void cell(std::string_view text) {
    pending_ += "<td>";
    appendEscapedTo(pending_, text);
    pending_ += "</td>";
    endLine();
  }
  void finish() {
    flush();
    if (const std::error_code error = file_.close())
      throw ReportError(platform::ioErrorText(platform::IoFailure::Write, error));
  }

 private:
  void endLine() {
    pending_ += kLineEnd;
    if (pending_.size() >= kChunkBytes) flush();
  }
  void flush() {
    // ioErrorText tells a short write as "Disk full".
    if (const std::error_code error = file_.write(pending_))
      throw ReportError(platform::ioErrorText(platform::IoFailure::Write, error));
    pending_.clear();
  }

  platform::OutputFile file_;
  std::string pending_;
};

}  // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // not overlong
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // not overlong
    if (lead == 0xF4) high = 0x8F;  // not past U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  return length;
}

std::string escapedHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendEscapedTo(out, text);
  return out;
}

std::string defaultReportFileName() { return platform::dataFolder() + "Duplicates.html"; }

void writeHtmlReport(const std::string& fileName, const std::vector<ResultRow>& rows,
                     const std::vector<UniqueFile>* filesWithNoCopy, const std::vector<FolderGroup>* folderGroups) {
  ReportWriter report(fileName);
  for (const std::string& text : kHead) report.line(text);
  // Similar pictures, whose sizes in pixels differ, get a column of them; files found identical
  // keep the table as it always was.
  const bool pictures = !rows.empty() && rows.front().width > 0;
  if (pictures) report.line(titleCell("Pixels"));
  report.line("</tr>");
  for (const ResultRow& row : rows) {
    report.line((row.group & 1) != 0 ? "<tr>" : "<tr bgcolor=\"#EFEFEF\">");
    report.cell(std::to_string(row.group));
    report.cell(row.name());
    report.cell(row.path);
    report.cell(std::to_string(row.size));
    report.cell(crc32Text(row.crc32));
    if (pictures) report.cell(std::to_string(row.width) + "x" + std::to_string(row.height));
    report.line("</tr>");
  }
  // Each further table after the groups' table; the report without them stays as it always was.
  const auto startTable = [&](const std::string& heading, std::initializer_list<const char*> titles) {
    report.line("</table>");
    report.line("");
    report.line("<h3>" + heading + "</h3>");
    report.line(kTableOpening);
    report.line(kTitleRow);
    for (const char* title : titles) report.line(titleCell(title));
    report.line("</tr>");
  };
  if (filesWithNoCopy) {
    startTable("Files of the reference folders with no copy elsewhere: " + std::to_string(filesWithNoCopy->size()),
               {"Name", "Path", "Size"});
    for (const UniqueFile& file : *filesWithNoCopy) {
      report.line("<tr>");
      report.cell(platform::fileNameOf(file.path));
      report.cell(file.path);
      report.cell(std::to_string(file.size));
      report.line("</tr>");
    }
  }
  if (folderGroups) {
    startTable("Folders that hold the same files: " + std::to_string(folderGroups->size()) + " groups",
               {"#", "Folder", "Size", "Files"});
    for (const FolderGroup& group : *folderGroups) {
      for (const TwinFolder& folder : group.folders) {
        report.line((group.number & 1) != 0 ? "<tr>" : "<tr bgcolor=\"#EFEFEF\">");
        report.cell(std::to_string(group.number));
        report.cell(folder.path);
        report.cell(std::to_string(group.bytes));
        report.cell(std::to_string(group.files));
        report.line("</tr>");
      }
    }
  }
  for (const std::string_view text : kTail) report.line(text);
  report.finish();
}

}  // namespace pelimor
