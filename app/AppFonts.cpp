#include "app/AppFonts.h"

#include <QFont>
#include <QStringList>

using namespace Qt::StringLiterals;

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(u"Tahoma"_s, QStringList{u"DejaVu Sans Condensed"_s, u"DejaVu Sans"_s});
    QFont::insertSubstitutions(u"MS Sans Serif"_s, QStringList{u"DejaVu Sans Condensed"_s, u"DejaVu Sans"_s});
    QFont::insertSubstitutions(u"Times New Roman"_s, QStringList{u"DejaVu Serif"_s});
}
