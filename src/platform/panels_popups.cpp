// The pop-ups: Qt's dialogs, or the answers a test scripted through the seam.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstring>
#include <string>

#include "platform/testing.h"
#include "platform/text_codec.h"

using namespace platform;

namespace {

PopupSeam*& Seam() {
    static PopupSeam* seam = nullptr;
    return seam;
}

}  // namespace

void SetPopupSeam(PopupSeam* seam) {
    Seam() = seam;
}

int ConfirmPopup(const char* title, const char* message) {
    if (PopupSeam* s = Seam()) {
        ++s->confirmCalls;
        s->lastConfirmTitle = title ? title : "";
        s->lastConfirmMessage = message ? message : "";
        return s->confirm ? s->confirm(s->lastConfirmTitle, s->lastConfirmMessage) : 0;
    }
    const auto answer = QMessageBox::question(QApplication::activeWindow(), DecodeText(title ? title : ""),
                                              DecodeText(message ? message : ""),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes ? 1 : 0;
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* fileTypeList,
                    const char* title, int buttonLabel, int /*restrictDirectory*/, int restrictExtension,
                    int allowCancel, int /*allowMakeDirectory*/, char* path) {
    if (!path)
        return -13;
    const std::string dir = defaultDirectory ? defaultDirectory : "";
    const std::string name = defaultFileSpec ? defaultFileSpec : "";
    const std::string filter = fileTypeList ? fileTypeList : "";
    const std::string ttl = title ? title : "";
    std::string chosen;
    int result = 0;
    if (PopupSeam* s = Seam()) {
        ++s->fileSelectCalls;
        s->lastFileSelectTitle = ttl;
        result = s->fileSelect ? s->fileSelect(dir, name, filter, ttl, chosen) : 0;
        if (result <= 0)
            return result;
    } else {
        const QString start = QDir(QString::fromStdString(dir)).filePath(QString::fromStdString(name));
        const QString qfilter = QString::fromStdString(filter) + QStringLiteral(";;All files (*)");
        QString picked;
        if (buttonLabel == VAL_LOAD_BUTTON)
            picked =
                QFileDialog::getOpenFileName(QApplication::activeWindow(), DecodeText(ttl), start, qfilter);
        else
            picked = QFileDialog::getSaveFileName(QApplication::activeWindow(), DecodeText(ttl), start,
                                                  qfilter, nullptr, QFileDialog::DontConfirmOverwrite);
        if (picked.isEmpty())
            return allowCancel ? VAL_NO_FILE_SELECTED : -1;
        // The program adds the expected extension when the operator leaves it off.
        if (restrictExtension && filter.rfind("*.", 0) == 0) {
            const QString ext = QString::fromStdString(filter.substr(1));
            if (!picked.endsWith(ext, Qt::CaseInsensitive) && QFileInfo(picked).suffix().isEmpty())
                picked += ext;
        }
        const QByteArray bytes = QFile::encodeName(picked);
        chosen.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        result = QFileInfo::exists(picked) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
    }
    // A path that does not fit the caller's buffer would name another file.
    if (chosen.size() >= 260)
        return -1;
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return result;
}
