#include "gui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tarvo::gui {

bool installChineseTranslations(QObject* owner) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool any = false;
    // qtbase holds the widgets' and dialogs' texts, qtserialport the port's messages.
    for (const char* catalogue : {"qtbase_zh_CN", "qtserialport_zh_CN"}) {
        auto* translator = new QTranslator(owner);
        if (translator->load(QString::fromLatin1(catalogue), folder) &&
            QCoreApplication::installTranslator(translator)) {
            any = true;
        } else {
            delete translator;
        }
    }
    return any;
}

}  // namespace tarvo::gui
