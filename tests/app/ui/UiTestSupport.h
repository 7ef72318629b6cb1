// Helpers for the workbench's window tests: answer message boxes and file
// prompts instead of a user, give each test its own settings file, and let
// deferred widget deletions happen.
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>

#include "app/ui/FilePrompt.h"
#include "app/ui/MessageBox.h"
#include "app/ui/NewTypeDialog.h"

namespace voxmill::test {

// Records every message box and answers it with `answer` (or the next of
// `answers` while there are any).
class ScopedMessageBoxes {
public:
    ScopedMessageBoxes() {
        m_previous = SetMessageBoxHook([this](QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons) {
            texts << text;
            if (!answers.empty()) {
                const auto a = answers.front();
                answers.pop_front();
                return a;
            }
            return answer;
        });
    }
    ~ScopedMessageBoxes() { SetMessageBoxHook(std::move(m_previous)); }
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

    QStringList texts;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::deque<QMessageBox::StandardButton> answers;

private:
    MessageBoxHook m_previous;
};

// Answers file prompts with the queued paths (cancel when none is left)
// and records what was asked.
class ScopedFilePrompts {
public:
    ScopedFilePrompts() {
        m_previous = SetFilePromptHook([this](const FilePromptRequest& request) {
            requests.push_back(request);
            if (paths.empty()) return QStringList();
            const QString path = paths.front();
            paths.pop_front();
            return QStringList{path};
        });
    }
    ~ScopedFilePrompts() { SetFilePromptHook(std::move(m_previous)); }
    ScopedFilePrompts(const ScopedFilePrompts&) = delete;
    ScopedFilePrompts& operator=(const ScopedFilePrompts&) = delete;

    std::deque<QString> paths;
    std::vector<FilePromptRequest> requests;

private:
    FilePromptHook m_previous;
};

// Answers File, New's question with the kind of that name (Cancel when it
// is not offered) and records what was offered.
class ScopedNewKind {
public:
    explicit ScopedNewKind(QString kind) : m_kind(std::move(kind)) {
        m_previous = SetNewKindHook([this](const QStringList& kinds) {
            offered.push_back(kinds);
            return static_cast<int>(kinds.indexOf(m_kind));
        });
    }
    ~ScopedNewKind() { SetNewKindHook(std::move(m_previous)); }
    ScopedNewKind(const ScopedNewKind&) = delete;
    ScopedNewKind& operator=(const ScopedNewKind&) = delete;

    std::vector<QStringList> offered;

private:
    QString m_kind;
    NewKindHook m_previous;
};

// Points the workbench's settings and its plug-in registry at files of
// their own.
inline void UseSettingsIn(const QTemporaryDir& dir) {
    qputenv("VOXMILL_SETTINGS", dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    qputenv("VOXMILL_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
}

// Lets closed windows be deleted, as the event loop would.
inline void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace voxmill::test
