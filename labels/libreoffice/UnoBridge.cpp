#include "labels/libreoffice/UnoBridge.h"

#include "labels/WordApplication.h"

#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <QFileInfo>
#include <QUrl>

#include <csignal>
#include <mutex>

using namespace css;

namespace UnoBridge {

uno::Reference<uno::XComponentContext> localContext(const QString &officeProgramFolder)
{
    static std::mutex mutex;
    // Deliberately never destroyed: tearing the bridge down at exit races
    // with its own threads, and the process is ending anyway.
    static uno::Reference<uno::XComponentContext> *context = nullptr;
    std::lock_guard lock(mutex);
    if (context)
        return *context;

    // Writing to the pipe of an office that has just died must give an
    // error, not end the program.
    struct sigaction current = {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGPIPE, SIG_IGN);

    // Without this the first remote call crashes inside the bridge, and so
    // does the bootstrap when the file is not there.
    const QString rc = officeProgramFolder + QStringLiteral("/fundamentalrc");
    if (!QFileInfo(rc).isFile())
        throw EngineError(
            QStringLiteral("%1 is not a LibreOffice program folder: it has no fundamentalrc").arg(officeProgramFolder));
    rtl::Bootstrap::set(rtl::OUString("URE_BOOTSTRAP"), toUno(QStringLiteral("vnd.sun.star.pathname:") + rc));
    try {
        context = new uno::Reference<uno::XComponentContext>(cppu::defaultBootstrap_InitialComponentContext());
    } catch (const uno::Exception &e) {
        throw EngineError(QStringLiteral("The LibreOffice connection could not be set up: %1").arg(describe(e)));
    }
    if (!context->is()) {
        delete context;
        context = nullptr;
        throw EngineError(QStringLiteral("The LibreOffice connection could not be set up"));
    }
    return *context;
}

rtl::OUString toUno(const QString &text)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode *>(text.utf16()), static_cast<sal_Int32>(text.size()));
}

QString fromUno(const rtl::OUString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getStr()), text.getLength());
}

rtl::OUString fileUrl(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return toUno(QString::fromLatin1(QUrl::fromLocalFile(absolute).toEncoded()));
}

beans::PropertyValue property(const char *name, const uno::Any &value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

uno::Sequence<beans::PropertyValue> properties(std::initializer_list<beans::PropertyValue> values)
{
    uno::Sequence<beans::PropertyValue> result(static_cast<sal_Int32>(values.size()));
    beans::PropertyValue *out = result.getArray();
    for (const auto &v : values)
        *out++ = v;
    return result;
}

QString describe(const uno::Exception &error)
{
    const QString message = fromUno(error.Message).trimmed();
    return message.isEmpty() ? QStringLiteral("no details given") : message;
}

} // namespace UnoBridge
