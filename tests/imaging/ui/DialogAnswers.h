// Answers the modal dialogs a command opens, in order, instead of a user:
// each queued answer gets the next modal dialog that appears, fills it in
// and accepts or rejects it. Dialogs left over are rejected, so a command
// that opens more dialogs than expected cannot hang a test.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace voxmill::test {

class ScopedDialogAnswers {
public:
    // Gets the dialog; returns true to accept it, false to reject it.
    using Answer = std::function<bool(QDialog& dialog)>;

    ScopedDialogAnswers() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }
    ~ScopedDialogAnswers() { m_timer.stop(); }
    ScopedDialogAnswers(const ScopedDialogAnswers&) = delete;
    ScopedDialogAnswers& operator=(const ScopedDialogAnswers&) = delete;

    void Then(Answer answer) { m_answers.push_back(std::move(answer)); }
    // Accepts the next dialog of type T after `fill` has set its fields.
    template <class T>
    void Accept(std::function<void(T&)> fill = {}) {
        Then([fill](QDialog& d) {
            auto* typed = qobject_cast<T*>(&d);
            if (!typed) return false;
            if (fill) fill(*typed);
            return true;
        });
    }
    void Reject() {
        Then([](QDialog&) { return false; });
    }

    // The class names of the dialogs seen, in order.
    std::vector<QString> seen;

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog->property(kAnswered).toBool()) return;
        dialog->setProperty(kAnswered, true);
        seen.push_back(QString::fromLatin1(dialog->metaObject()->className()));
        bool accept = false;
        if (!m_answers.empty()) {
            Answer answer = std::move(m_answers.front());
            m_answers.pop_front();
            accept = answer(*dialog);
        }
        // A refused OK leaves the dialog open; reject it then, so nothing hangs.
        QMetaObject::invokeMethod(
            dialog,
            [dialog, accept] {
                if (accept) dialog->accept();
                if (dialog->isVisible()) dialog->reject();
                // The same dialog may be shown again (the plot server is).
                dialog->setProperty(kAnswered, false);
            },
            Qt::QueuedConnection);
    }

    static constexpr const char* kAnswered = "voxmillTestAnswered";
    QTimer m_timer;
    std::deque<Answer> m_answers;
};

}  // namespace voxmill::test
