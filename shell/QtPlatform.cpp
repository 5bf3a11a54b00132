#include "QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <vector>

#include "AppError.h"
#include "FileSystem.h"
#include "SettingsFile.h"
#include "SettingsValueCodec.h"

namespace bw {

QString QtDialogs::DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtDialogs::MessageBox(const QString& text, int style, const QString& title) {
    QMessageBox box(style == kMsgExclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, DisplayText(text),
                    QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString QtDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog box(parent_);
    box.setWindowTitle(title);
    box.setLabelText(DisplayText(prompt));
    box.setInputMode(QInputDialog::TextInput);
    // The box returns whatever was typed or pasted, at any length: QLineEdit
    // would otherwise cut the text at 32767 characters without a word.
    if (auto* edit = box.findChild<QLineEdit*>()) edit->setMaxLength(std::numeric_limits<int>::max());
    box.setTextValue(defaultText);
    if (box.exec() != QDialog::Accepted) return QString();
    return box.textValue();
}

namespace {

// The filters of a file dialog, the first one chosen. (Qt shows the
// desktop's own file dialog where the platform offers one, GTK's or KDE's,
// and its widget dialog elsewhere.)
void SetUpFileDialog(QFileDialog& dialog, const QStringList& filters) {
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
}

}  // namespace

QStringList QtDialogs::OpenFiles(const QString& title, const QStringList& filters) {
    QFileDialog dialog(parent_, title);
    SetUpFileDialog(dialog, filters);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);  // several files at once
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString QtDialogs::SaveFile(const QString& title, const QStringList& filters, const QString& initialName) {
    QFileDialog dialog(parent_, title, initialName);
    SetUpFileDialog(dialog, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Choosing a file that exists asks "... already exists. Do you want to
    // replace it?" before the dialog closes: a mistaken click must not
    // destroy a file. (Set here on purpose, not left to Qt's default.)
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

bool QtClipboard::Clear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->clear();
    return true;
}

bool QtClipboard::SetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text);
    return true;
}

QString QtClipboard::Text() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

QtSettingsStore::QtSettingsStore(QString folder) : folder_(std::move(folder)) {
    if (folder_.isEmpty()) folder_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QtSettingsStore::FilePath(const QString& appName) const { return QDir(folder_).filePath(appName + ".ini"); }

namespace {

// A file is read in pieces of this size.
constexpr std::size_t kReadSlice = std::size_t{4} << 20;

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

AppError SettingsFailure(const QString& path, const char* what, const std::string& cause) {
    return AppError(("The settings file " + path + " cannot be " + what + ": ").toStdString() + cause);
}

// The settings file opened for reading, or -1 when there is none. A FIFO
// or a device in its place cannot hold the program: it is opened without
// waiting and refused.
int OpenSettingsFile(const QString& path, const char* what, struct stat& info) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return -1;
        throw SettingsFailure(path, what, ErrorText(errno));
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        const bool regular = S_ISREG(info.st_mode);
        ::close(fd);
        throw SettingsFailure(path, what, regular ? ErrorText(error) : std::string("not a regular file"));
    }
    return fd;
}

// Bytes read from a file (not set to zero first: they are all read over).
class FileBytes {
public:
    explicit FileBytes(std::size_t size) : data_(new char[size ? size : 1]), size_(size) {}
    char* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    void Shorten(std::size_t size) { size_ = std::min(size_, size); }
    operator std::string_view() const { return std::string_view(data_.get(), size_); }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

// Reads size bytes from offset (fewer when the file is shorter by now).
FileBytes ReadFrom(int fd, const QString& path, const char* what, std::size_t offset, std::size_t size) {
    FileBytes bytes(size);
    std::size_t have = 0;
    while (have < size) {
        const std::size_t slice = std::min(size - have, kReadSlice);
        const ssize_t got = ::pread(fd, bytes.data() + have, slice, static_cast<off_t>(offset + have));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw SettingsFailure(path, what, ErrorText(errno));
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    bytes.Shorten(have);
    return bytes;
}

struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Replaces the written value of key in section of the settings file at
// path (creating file, section and key as needed) and nothing else. Throws
// AppError naming the cause.
void ReplaceValue(const QString& path, const std::string& section, const std::string& key,
                  const std::vector<std::string>& value) {
    auto failure = [&](const std::string& cause) { return SettingsFailure(path, "written", cause); };
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) throw failure("its folder " + folder.toStdString() + " cannot be made");
    // QSettings' lock file, so that a QSettings writer and this one never
    // write the file at the same time.
    QLockFile lock(path + ".lock");
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(20)) {
        if (lock.error() == QLockFile::PermissionError) throw failure(ErrorText(EACCES));
        if (lock.error() != QLockFile::LockFailedError) throw failure("its lock file cannot be made");
        if (waited.elapsed() > 10000) throw failure("another program keeps it locked");
    }

    FileBytes old(0);
    {
        struct stat info {};
        const FileCloser file{OpenSettingsFile(path, "written", info)};
        if (file.fd >= 0) old = ReadFrom(file.fd, path, "written", 0, static_cast<std::size_t>(info.st_size));
    }
    const std::optional<SettingsEdit> edit = PlanSettingsEdit(old, section, key, ScanSettingsSection(old, section));
    if (!edit) throw failure("a quote in it is never closed, and QSettings would read the value as part of it");

    try {
        SafeFileWriter out(path, false);
        const std::string_view text = old;
        std::vector<std::string_view> parts{text.substr(0, edit->from), edit->before};
        parts.insert(parts.end(), value.begin(), value.end());
        parts.push_back(edit->after);
        parts.push_back(text.substr(edit->to));
        std::uint64_t total = 0;
        for (std::string_view part : parts) total += part.size();
        // The disk is asked for the room first: a full disk stops the write
        // before it starts.
        out.Reserve(total);
        for (std::string_view part : parts) out.Write(part);
        out.Commit();
    } catch (const FileError& e) {
        throw failure(e.Cause());
    }
}

// Runs work on a thread of its own while pause is called every few
// milliseconds; without a pause, runs it here. Its failure is thrown here.
template <class F>
void RunBeside(const std::function<void()>& pause, F&& work) {
    if (!pause) {
        work();
        return;
    }
    std::future<void> done = std::async(std::launch::async, std::forward<F>(work));
    while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) pause();
    done.get();
}

}  // namespace

std::string QtSettingsStore::GetSettingUtf8(const QString& appName, const QString& section, const QString& key,
                                            std::string_view defaultValue) {
    const QString path = FilePath(appName);
    struct stat info {};
    const FileCloser file{OpenSettingsFile(path, "read", info)};
    if (file.fd < 0) return std::string(defaultValue);
    const std::array<long long, 7> identity{static_cast<long long>(info.st_dev),
                                            static_cast<long long>(info.st_ino),
                                            static_cast<long long>(info.st_size),
                                            info.st_ctim.tv_sec,
                                            info.st_ctim.tv_nsec,
                                            info.st_mtim.tv_sec,
                                            info.st_mtim.tv_nsec};
    if (!scanned_ || scanned_->path != path || scanned_->section != section || scanned_->identity != identity) {
        scanned_.reset();
        const FileBytes bytes = ReadFrom(file.fd, path, "read", 0, static_cast<std::size_t>(info.st_size));
        const std::string_view text = bytes;
        ScannedFile scan{path, section, identity, {}};
        for (const auto& [name, span] : ScanSettingsSection(text, Utf8(section)).values)
            scan.values.emplace(name, std::make_pair(span.start, span.end));
        std::string value(defaultValue);
        if (const auto found = scan.values.find(Utf8(key)); found != scan.values.end()) {
            value = DecodeSettingsValue(
                std::string_view(text).substr(found->second.first, found->second.second - found->second.first));
        }
        if (text.size() == static_cast<std::size_t>(info.st_size)) scanned_ = std::move(scan);
        return value;
    }
    const auto found = scanned_->values.find(Utf8(key));
    if (found == scanned_->values.end()) return std::string(defaultValue);
    const auto [start, end] = found->second;
    return DecodeSettingsValue(ReadFrom(file.fd, path, "read", start, end - start));
}

QString QtSettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                    const QString& defaultValue) {
    return Utf8ToText(GetSettingUtf8(appName, section, key, Utf8(defaultValue)));
}

void QtSettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                  const QString& value) {
    const std::string text = Utf8(value);
    bool given = false;
    SaveSettingPieces(appName, section, key,
                      [&](std::string_view& piece) {
                          if (given) return false;
                          piece = text;
                          given = true;
                          return true;
                      },
                      {});
}

void QtSettingsStore::SaveSettingPieces(const QString& appName, const QString& section, const QString& key,
                                        const std::function<bool(std::string_view&)>& next,
                                        const std::function<void()>& pause) {
    const QString path = FilePath(appName);
    auto pauseNow = [&] {
        if (pause) pause();
    };

    // The value's written form first: the file is locked and read only for
    // the short moment of its replacement.
    SettingsValueEncoder encoder;
    std::string_view piece;
    for (unsigned count = 1; next(piece); ++count) {
        encoder.Append(piece);
        if (count % 1024 == 0) pauseNow();
    }
    const std::vector<std::string> value = encoder.FinishBlocks();
    pauseNow();

    // The file is locked, read, edited and replaced on a thread of its own
    // (waits on the disk can be long), while the caller goes on pausing.
    scanned_.reset();
    RunBeside(pause, [&] { ReplaceValue(path, Utf8(section), Utf8(key), value); });
}

void QtDesktopShell::OpenUrl(const QUrl& url) {
    if (!QDesktopServices::openUrl(url)) {
        throw AppError(("No program was found to open the web page " + url.toDisplayString()).toStdString());
    }
}

void QtDesktopShell::EndProgram() { QCoreApplication::exit(0); }

}  // namespace bw
