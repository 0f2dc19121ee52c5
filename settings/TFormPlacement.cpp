#include "settings/TFormPlacement.h"

#include <QStringList>

#include "core/Format.h"
#include "settings/IPlacementWindow.h"
#include "settings/IniProfile.h"
#include "settings/SettingsFileName.h"
#include "settings/TIniFile.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFormVersion = u"FormVersion"_s;
const QString kFlags = u"Flags"_s;
const QString kShowCmd = u"ShowCmd"_s;
const QString kPixelsPerInch = u"PixelsPerInch"_s;
const QString kMinMaxPos = u"MinMaxPos"_s;
const QString kNormPos = u"NormPos"_s;
const QString kVisible = u"Visible"_s;

QString ScreenSuffix(const IPlacementWindow& window) {
    const QSize s = window.ScreenSize();
    return FormatMessage(u"(%dx%d)"_s, {QString::number(s.width()), QString::number(s.height())});
}

QString FourNumbers(int a, int b, int c, int d) {
    return FormatMessage(u"%d,%d,%d,%d"_s, {QString::number(a), QString::number(b), QString::number(c), QString::number(d)});
}

// Words separated by commas or blanks; runs of separators count as one.
QStringList Words(const QString& text) {
    QStringList words;
    QString word;
    for (QChar c : text) {
        if (c == u',' || c == u' ') {
            if (!word.isEmpty()) words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty()) words << word;
    return words;
}

int Word(const QStringList& words, int index, int defaultValue) {
    return index < words.size() ? ProfileTextToInt(words[index], defaultValue) : defaultValue;
}

}  // namespace

// Keeps the settings file open for one restore or save.
class TFormPlacement::OpenFile {
public:
    explicit OpenFile(TFormPlacement& owner) : m_owner(owner) {
        m_owner.m_ini = std::make_unique<TIniFile>(m_owner.EffectiveIniFileName());
    }
    ~OpenFile() { m_owner.m_ini.reset(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

private:
    TFormPlacement& m_owner;
};

TFormPlacement::TFormPlacement(QObject* owner) : TComponent(owner) {
    if (owner && owner->isWidgetType()) m_options = TPlacementOptions(fpState) | fpPosition;
}

TFormPlacement::~TFormPlacement() = default;

QString TFormPlacement::EffectiveIniFileName() const {
    return m_iniFileName.isEmpty() ? ApplicationSettingsFileName() : m_iniFileName;
}

QString TFormPlacement::IniSection() const {
    if (!m_iniSection.isEmpty() || !Owner()) return m_iniSection;
    return QString::fromLatin1(Owner()->metaObject()->className());
}

TIniFile TFormPlacement::File() const { return m_ini ? *m_ini : TIniFile(EffectiveIniFileName()); }

QString TFormPlacement::ReadText(const QString& section, const QString& key, const QString& defaultValue) {
    return File().ReadText(section, key, defaultValue);
}

void TFormPlacement::WriteText(const QString& section, const QString& key, const QString& value) {
    File().WriteText(section, key, ProfileProtectQuotes(value));
}

int TFormPlacement::ReadNumber(const QString& section, const QString& key, int defaultValue) {
    return File().ReadNumber(section, key, defaultValue);
}

void TFormPlacement::WriteNumber(const QString& section, const QString& key, int value) {
    File().WriteNumber(section, key, value);
}

void TFormPlacement::RestoreSettings() {
    m_saved = false;
    {
        OpenFile open(*this);
        if (ReadNumber(IniSection(), kFormVersion, 0) >= m_version) RestoreWindowPlacement();
        m_restored = true;
    }
    FixMaxPosition();
}

void TFormPlacement::SaveSettings() {
    if (!m_restored && m_active) return;
    OpenFile open(*this);
    WriteNumber(IniSection(), kFormVersion, m_version);
    SaveWindowPlacement();
    m_saved = true;
}

void TFormPlacement::WindowShowing() {
    if (m_active) RestoreSettings();
}

void TFormPlacement::WindowCloseQuery(bool canClose) {
    if (canClose && m_active) SaveSettings();
}

void TFormPlacement::WindowDestroying() {
    if (!m_active || m_saved) return;
    m_destroying = true;
    try {
        SaveSettings();
    } catch (...) {
        m_destroying = false;
        throw;
    }
    m_destroying = false;
}

void TFormPlacement::SaveWindowPlacement() {
    if (!m_window || !(m_options & (fpState | fpPosition))) return;
    const QString section = IniSection();
    const TWindowPlacement p = m_window->Placement();
    int showCmd = p.ShowCmd;
    if (m_window->IsMainWindow() && m_window->IsApplicationMinimized()) showCmd = TWindowPlacement::ShowMinimized;
    const QString suffix = ScreenSuffix(*m_window);
    const QString minMax = FourNumbers(p.MinPosition.x(), p.MinPosition.y(), p.MaxPosition.x(), p.MaxPosition.y());
    const QString norm = FourNumbers(p.Left, p.Top, p.Right, p.Bottom);
    WriteNumber(section, kFlags, p.Flags);
    WriteNumber(section, kShowCmd, showCmd);
    WriteNumber(section, kPixelsPerInch, m_window->ScreenPixelsPerInch());
    WriteText(section, kMinMaxPos + suffix, minMax);
    WriteText(section, kMinMaxPos, minMax);
    WriteText(section, kNormPos + suffix, norm);
    WriteText(section, kNormPos, norm);
    File().WriteFlag(section, kVisible, m_destroying);
}

void TFormPlacement::RestoreWindowPlacement() {
    if (!m_window || !(m_options & (fpState | fpPosition))) return;
    const QString section = IniSection();
    TWindowPlacement p = m_window->Placement();
    if (!m_window->IsVisible()) p.ShowCmd = TWindowPlacement::ShowHidden;
    const int width = p.Width(), height = p.Height();

    if (m_options & fpPosition) {
        const QString suffix = ScreenSuffix(*m_window);
        auto readPos = [&](const QString& key) {
            QString text = ReadText(section, key + suffix, QString());
            return text.isEmpty() ? ReadText(section, key, QString()) : text;
        };
        p.Flags = ReadNumber(section, kFlags, p.Flags);
        bool found = false;
        const QString minMax = readPos(kMinMaxPos);
        if (!minMax.isEmpty()) {
            found = true;
            const QStringList w = Words(minMax);
            p.MinPosition = QPoint(Word(w, 0, 0), Word(w, 1, 0));
            p.MaxPosition = QPoint(Word(w, 2, 0), Word(w, 3, 0));
        }
        const QString norm = readPos(kNormPos);
        if (!norm.isEmpty()) {
            found = true;
            const QStringList w = Words(norm);
            const TWindowPlacement current = p;
            p.Left = Word(w, 0, current.Left);
            p.Top = Word(w, 1, current.Top);
            p.Right = Word(w, 2, current.Left + width);
            p.Bottom = Word(w, 3, current.Top + height);
        }
        const int screenPpi = m_window->ScreenPixelsPerInch();
        if (found && ReadNumber(section, kPixelsPerInch, screenPpi) == screenPpi) {
            if (!m_window->IsResizable()) {
                p.Right = p.Left + width;
                p.Bottom = p.Top + height;
            }
            if (p.Right > p.Left) {
                if (m_window->IsCentred()) m_window->UseDesignedPosition();
                m_window->SetPlacement(p);
            }
        }
    }

    if (m_options & fpState) {
        // Our windows are no MDI frames and none leaves its position to the system: normal by default.
        TWindowState state = TWindowState::wsNormal;
        switch (ReadNumber(section, kShowCmd, 0)) {
            case 1: case 5: case 9: state = TWindowState::wsNormal; break;
            case 2: case 6: case 7: state = TWindowState::wsMinimized; break;
            case 3: state = TWindowState::wsMaximized; break;
            default: break;
        }
        if (state == TWindowState::wsMinimized && m_window->IsMainWindow()) {
            m_window->SetWindowState(TWindowState::wsNormal);
            m_window->MinimizeApplication();
            return;
        }
        m_window->SetWindowState(state);
    }
    m_window->Repaint();
}

void TFormPlacement::FixMaxPosition() {
    if (!m_window || IsLoading()) return;
    TWindowPlacement p = m_window->Placement();
    if (!m_window->IsVisible()) p.ShowCmd = TWindowPlacement::ShowHidden;
    const QPoint frame = m_window->FrameThickness();
    p.MaxPosition = QPoint(-frame.x(), -frame.y());
    m_window->SetPlacement(p);
}
