#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMap>
#include <QPainter>
#include <QPdfWriter>

#include "admin/Rights.h"
#include "core/Exception.h"

using namespace Qt::StringLiterals;

namespace Rights {
namespace {

constexpr int kDpi = 100;

// Lays the report out on A4 pages top to bottom, starting a page when the next block does not fit.
class TPdfPages {
public:
    TPdfPages(QPdfWriter& writer, const QString& footer) : m_writer(writer), m_painter(&writer), m_footer(footer) {
        if (!m_painter.isActive()) throw Exception(u"Не удалось создать файл PDF."_s);
        m_area = writer.pageLayout().paintRectPixels(kDpi);
        m_area.moveTo(0, 0);
        m_area.setBottom(m_area.bottom() - 24);  // the footer's line
        m_y = 0;
        Footer();
    }
    ~TPdfPages() { m_painter.end(); }

    QPainter& Painter() { return m_painter; }
    QRect Area() const { return m_area; }
    int Y() const { return m_y; }

    void NewPage() {
        m_writer.newPage();
        m_y = 0;
        Footer();
    }
    // Space for a block of the height: a new page when the rest of this one is too short.
    void Need(int height) {
        if (m_y > 0 && m_y + height > m_area.bottom()) NewPage();
    }
    // A paragraph, wrapped to the page's width.
    void Paragraph(const QString& text, const QFont& font, int indent = 0, int after = 2) {
        m_painter.setFont(font);
        const QRect box(indent, 0, m_area.width() - indent, 100000);
        const QRect need = m_painter.boundingRect(box, Qt::TextWordWrap, text);
        Need(need.height());
        m_painter.drawText(QRect(indent, m_y, box.width(), need.height()), Qt::TextWordWrap, text);
        m_y += need.height() + after;
    }
    void Skip(int height) { m_y += height; }

private:
    void Footer() {
        ++m_page;
        QFont small;
        small.setPointSize(7);
        m_painter.setFont(small);
        m_painter.setPen(Qt::darkGray);
        m_painter.drawText(QRect(0, m_area.bottom() + 6, m_area.width(), 18), Qt::AlignLeft | Qt::AlignVCenter, m_footer);
        m_painter.drawText(QRect(0, m_area.bottom() + 6, m_area.width(), 18), Qt::AlignRight | Qt::AlignVCenter,
                           u"стр. %1"_s.arg(m_page));
        m_painter.setPen(Qt::black);
    }

    QPdfWriter& m_writer;
    QPainter m_painter;
    QString m_footer;
    QRect m_area;
    int m_y = 0;
    int m_page = 0;
};

QFont Font(int points, bool bold = false) {
    QFont f;
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

QString YesNo(bool on) { return on ? u"да"_s : u"нет"_s; }

void Sections(TPdfPages& pages, const TReport& report) {
    const QFont heading = Font(10, true), body = Font(8), label = Font(8, true);
    for (const TUserRights& u : report.Users) {
        pages.Need(60);
        const QString names = QStringList{u.Surname, u.FirstName, u.MiddleName}.join(u' ').simplified();
        pages.Paragraph(names.isEmpty() ? u.Login : u.Login + u" — "_s + names, heading, 0, 3);
        pages.Paragraph(u"Заблокирован: "_s + YesNo(u.Blocked), body, 12);
        pages.Paragraph(u"Группы: "_s + (u.Groups.isEmpty() ? u"нет"_s : u.Groups.join(u", "_s)), body, 12);
        if (u.Rights.empty()) pages.Paragraph(u"Разрешений нет."_s, body, 12);
        // The rights by category, each with the groups that give it; blocked ones marked.
        QMap<QString, QStringList> byCategory;
        QStringList order;
        for (const THeldRight& h : u.Rights) {
            const TRight& r = report.Rights[size_t(h.Right)];
            if (!byCategory.contains(r.Category)) order << r.Category;
            byCategory[r.Category] << r.Name + (h.Blocked ? u" (блок.)"_s : QString());
        }
        for (const QString& category : order)
            pages.Paragraph((category.isEmpty() ? u"Без категории"_s : category) + u": "_s + byCategory[category].join(u", "_s),
                            body, 12);
        pages.Skip(8);
    }
}

// Users as rows, rights as columns, cut into pages: bands of columns, each over all the users.
void Matrix(TPdfPages& pages, const TReport& report) {
    QPainter& p = pages.Painter();
    const QRect area = pages.Area();
    const QFont small = Font(6), title = Font(9, true);
    const int loginWidth = 130, cell = 13, headerHeight = 150, titleHeight = 34;
    const int columnsPerPage = std::max(1, (area.width() - loginWidth) / cell);
    const int rowsPerPage = std::max(1, (area.height() - headerHeight - titleHeight) / cell);
    const int rights = int(report.Rights.size()), users = int(report.Users.size());
    // Held rights as a lookup: user row → right index → 1 held, 2 held but blocked.
    std::vector<std::vector<char>> held(report.Users.size(), std::vector<char>(report.Rights.size(), 0));
    for (size_t u = 0; u < report.Users.size(); ++u)
        for (const THeldRight& h : report.Users[u].Rights) held[u][size_t(h.Right)] = h.Blocked ? 2 : 1;

    for (int firstRight = 0; firstRight < std::max(rights, 1); firstRight += columnsPerPage) {
        const int lastRight = std::min(rights, firstRight + columnsPerPage);
        for (int firstUser = 0; firstUser < std::max(users, 1); firstUser += rowsPerPage) {
            const int lastUser = std::min(users, firstUser + rowsPerPage);
            pages.NewPage();
            p.setFont(title);
            p.drawText(QRect(0, 0, area.width(), 16), Qt::AlignLeft,
                       u"Матрица прав: разрешения %1–%2 из %3, пользователи %4–%5 из %6"_s.arg(firstRight + 1)
                           .arg(lastRight).arg(rights).arg(firstUser + 1).arg(lastUser).arg(users));
            p.setFont(small);
            p.fillRect(QRect(0, 19, 8, 8), Qt::black);
            p.drawText(QRect(12, 17, 120, 12), Qt::AlignLeft | Qt::AlignVCenter, u"есть"_s);
            p.drawRect(QRect(60, 19, 8, 8));
            p.drawText(QRect(72, 17, 250, 12), Qt::AlignLeft | Qt::AlignVCenter, u"есть, но заблокировано"_s);
            const int top = titleHeight + headerHeight;
            // The rights' names, turned to read upwards.
            for (int r = firstRight; r < lastRight; ++r) {
                const int x = loginWidth + (r - firstRight) * cell;
                p.save();
                p.translate(x + cell - 3, top - 4);
                p.rotate(-90);
                const QString name = report.Rights[size_t(r)].Name;
                p.drawText(QRect(0, -cell + 3, headerHeight - 8, cell), Qt::AlignLeft | Qt::AlignVCenter,
                           p.fontMetrics().elidedText(name, Qt::ElideRight, headerHeight - 8));
                p.restore();
                p.setPen(Qt::lightGray);
                p.drawLine(x, titleHeight, x, top + (lastUser - firstUser) * cell);
                p.setPen(Qt::black);
            }
            // The grid's closing lines: after the last right and under the last user.
            const int right = loginWidth + (lastRight - firstRight) * cell, bottom = top + (lastUser - firstUser) * cell;
            p.setPen(Qt::lightGray);
            p.drawLine(right, titleHeight, right, bottom);
            p.drawLine(0, bottom, right, bottom);
            p.setPen(Qt::black);
            for (int u = firstUser; u < lastUser; ++u) {
                const int y = top + (u - firstUser) * cell;
                p.setPen(Qt::lightGray);
                p.drawLine(0, y, loginWidth + (lastRight - firstRight) * cell, y);
                p.setPen(Qt::black);
                const TUserRights& user = report.Users[size_t(u)];
                p.drawText(QRect(2, y, loginWidth - 4, cell), Qt::AlignLeft | Qt::AlignVCenter,
                           user.Blocked ? user.Login + u" (блок.)"_s : user.Login);
                for (int r = firstRight; r < lastRight; ++r) {
                    const char mark = held[size_t(u)][size_t(r)];
                    if (!mark) continue;
                    const QRect box(loginWidth + (r - firstRight) * cell + 3, y + 3, cell - 6, cell - 6);
                    if (mark == 1) p.fillRect(box, Qt::black);
                    else p.drawRect(box);
                }
            }
        }
    }
}

}  // namespace

void WriteReportPdf(const TReport& report, const QString& path) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw Exception(u"Не удалось записать файл «%1»: %2"_s.arg(path, probe.errorString()));
    }
    QPdfWriter writer(path);
    writer.setTitle(u"Права пользователей"_s);
    writer.setCreator(u"tvadmin"_s);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(kDpi);
    const QString made = report.Made.toString(u"dd.MM.yyyy HH:mm"_s);
    {
        TPdfPages pages(writer, u"Права пользователей — %1 — %2"_s.arg(report.Database, made));
        pages.Paragraph(u"Права пользователей"_s, Font(18, true), 0, 10);
        pages.Paragraph(u"База данных: "_s + report.Database, Font(9));
        pages.Paragraph(u"Сервер: "_s + report.Server, Font(9));
        pages.Paragraph(u"Дата и время: "_s + made, Font(9));
        pages.Paragraph(u"Пользователей: %1, разрешений: %2"_s.arg(report.Users.size()).arg(report.Rights.size()), Font(9), 0,
                        16);
        Sections(pages, report);
        Matrix(pages, report);
    }
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        throw Exception(u"Не удалось записать файл «%1»."_s.arg(path));
}

}  // namespace Rights
