#include "results/html_report.h"

#include "platform/folders.h"
#include "platform/io_error_text.h"
#include "platform/file_operations.h"
#include "search/crc32.h"

namespace pelimor {

namespace {
constexpr std::string_view kHead[] = {
    "<html>",
    "",
    "<head>",
    // Names are written as the file system holds them, which on this system is UTF-8.
    "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">",
    "<meta name=\"GENERATOR\" content=\"Pelimor 3.0\">",
    "</head>",
    "",
    "<body>",
    "",
    "<h2 align=\"center\"><span style=\"letter-spacing: 3\"><b>Pelimor 3.0</b></span></h2>",
    "",
    "<table border=\"1\" width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" style='width:100.0%; "
    "mso-cellspacing:0cm;mso-padding-alt:0cm 0cm 0cm 0cm'>",
    "<tr align=\"center\" bgcolor=\"000000\">",
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>#</b> </font> </td>",
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Name</b> </font> </td>",
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Path</b> </font> </td>",
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>Size</b> </font> </td>",
    "<td> <font color=\"#FFFFFF\" size=\"4\"> <b>CRC32</b> </font> </td>",
    "</tr>",
};
constexpr std::string_view kTail[] = {"</table>", "", "</body>", "</html>"};
constexpr std::string_view kLineEnd = "\r\n";
// Lines are gathered and written in pieces of about this size.
constexpr std::size_t kChunkBytes = 1 << 20;

void appendEscapedTo(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

class ReportWriter {
 public:
  explicit ReportWriter(const std::string& fileName) {
    if (const int error = file_.create(fileName); error != 0)
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
    if (const int error = file_.close(); error != 0)
      throw ReportError(platform::ioErrorText(platform::IoFailure::Write, error));
  }

 private:
  void endLine() {
    pending_ += kLineEnd;
    if (pending_.size() >= kChunkBytes) flush();
  }
  void flush() {
    const int error = file_.write(pending_);
    if (error == platform::OutputFile::kShortWrite)
      throw ReportError(platform::ioErrorText(platform::IoFailure::ShortWrite, 0));
    if (error != 0) throw ReportError(platform::ioErrorText(platform::IoFailure::Write, error));
    pending_.clear();
  }

  platform::OutputFile file_;
  std::string pending_;
};

}  // namespace

std::string escapedHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendEscapedTo(out, text);
  return out;
}

std::string defaultReportFileName() { return platform::dataFolder() + "Duplicates.html"; }

void SaveHTMLfile(const std::string& fileName, const std::vector<ResultRow>& rows) {
  ReportWriter report(fileName);
  for (const std::string_view text : kHead) report.line(text);
  for (const ResultRow& row : rows) {
    report.line((row.group & 1) != 0 ? "<tr>" : "<tr bgcolor=\"#EFEFEF\">");
    report.cell(std::to_string(row.group));
    report.cell(row.name());
    report.cell(row.path);
    report.cell(std::to_string(row.size));
    report.cell(crc32Text(row.crc32));
    report.line("</tr>");
  }
  for (const std::string_view text : kTail) report.line(text);
  report.finish();
}

}  // namespace pelimor
