#include "ui/screenshot/demo_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace pelimor::demo {

namespace {
struct DemoFile {
  const char* content;  // files with the same content name are byte-for-byte copies
  int kilobytes;
  const char* path;
};

constexpr DemoFile kFiles[] = {
    {"beach", 2410, "Photos/2019/Beach/IMG_0412.jpg"},
    {"beach", 2410, "Backup/Phone/DCIM/IMG_0412.jpg"},
    {"beach", 2410, "Desktop/to sort/beach.jpg"},
    {"train", 8120, "Music/Albums/Blue Train/01 Blue Train.mp3"},
    {"train", 8120, "Downloads/01 Blue Train.mp3"},
    {"taxes", 356, "Documents/Taxes 2021.pdf"},
    {"taxes", 356, "Documents/Old/Taxes 2021 (copy).pdf"},
    {"holiday", 14233, "Videos/Holiday 2020.mp4"},
    {"holiday", 14233, "Backup/Videos/Holiday 2020.mp4"},
    {"report", 187, "Projects/Annual report.docx"},
    {"report", 187, "Desktop/Annual report final.docx"},
    {"cat", 1290, "Photos/2021/cat.png"},
    {"cat", 1290, "Photos/2021/cat (1).png"},
    {"unique1", 640, "Photos/2021/dog.png"},
    {"unique2", 5120, "Music/Albums/Kind of Blue/So What.mp3"},
    {"unique3", 221, "Documents/Letters/landlord.odt"},
    {"unique4", 96, "Documents/notes.txt"},
};

QByteArray contentOf(const char* name, int kilobytes) {
  // The same name always gives the same bytes.
  QRandomGenerator random(static_cast<quint32>(qHash(QByteArray(name))));
  QByteArray bytes(qsizetype{kilobytes} * 1024, Qt::Uninitialized);
  random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
  return bytes;
}
}  // namespace

bool makeDemoTree(const QString& root) {
  QDir(root).removeRecursively();
  for (const DemoFile& file : kFiles) {
    const QString path = root + u'/' + QString::fromUtf8(file.path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    const QByteArray content = contentOf(file.content, file.kilobytes);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size()) return false;
  }
  return true;
}

}  // namespace pelimor::demo
