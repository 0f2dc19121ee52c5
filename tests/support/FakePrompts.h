#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/IUserPrompts.h"

// Records every prompt as "kind:text" and answers confirmations from a script (default: yes).
class FakePrompts : public IUserPrompts {
public:
    void ShowError(const QString& text) override { Record(QStringLiteral("error:") + text); }
    bool Confirm(const QString& text) override {
        Record(QStringLiteral("confirm:") + text);
        if (answers.isEmpty()) return true;
        return answers.takeFirst();
    }
    void ShowMessage(const QString& text) override { Record(QStringLiteral("message:") + text); }
    void ShowApplicationError(const QString& text) override { Record(QStringLiteral("apperror:") + text); }

    QStringList log;
    QList<bool> answers;
    // Run after each recorded prompt (for example to check state while the box would be up).
    std::function<void(const QString&)> onPrompt;

private:
    void Record(const QString& entry) {
        log << entry;
        if (onPrompt) onPrompt(entry);
    }
};
