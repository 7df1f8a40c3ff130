#include "tests/support/FakeEngine.h"

#include "core/Seams.h"

#include <QFile>
#include <QPainter>

namespace {

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Literal replace-all that ignores letter case, as the engine's replace does
// with case, whole-word, pattern and similarity matching all switched off.
QString replaceAllIgnoringCase(const QString &text, const QString &phrase, const QString &value)
{
    if (phrase.isEmpty())
        return text;
    QString result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(phrase, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        result += QStringView(text).mid(from, at - from);
        result += value;
        from = at + phrase.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

class FakeApplication;

class FakeDocument : public WordDocument
{
public:
    FakeDocument(FakeEngine &engine, FakeApplication &app, QString text)
        : m_engine(engine)
        , m_app(app)
        , text(std::move(text))
    {
    }

    void saveAs(const QString &fileName) override;
    void saveAsFormat(const QString &fileName, DocumentFormat format) override;
    void saveAsFlatXml(const QString &fileName) override;
    void store(const QString &fileName, const QString &record);
    void close() override;
    void copyRangeAsPicture() override;

    void requireOpen() const
    {
        if (closed)
            throw EngineError(QStringLiteral("Object has been deleted."));
    }

    FakeEngine &m_engine;
    FakeApplication &m_app;
    QString text;
    bool closed = false;
};

class FakeFind : public WordFind
{
public:
    FakeFind(FakeEngine &engine, FakeApplication &app)
        : m_engine(engine)
        , m_app(app)
    {
    }

    void clearFormatting() override;
    void clearReplacementFormatting() override;
    void setText(const QString &value) override;
    void setReplacementText(const QString &value) override;
    void setForward(bool on) override;
    void setWrap(int value) override;
    void setFormat(bool on) override;
    void setMatchCase(bool on) override;
    void setMatchWholeWord(bool on) override;
    void setMatchWildcards(bool on) override;
    void setMatchSoundsLike(bool on) override;
    void setMatchAllWordForms(bool on) override;
    void execute(int replace) override;

    QString text;
    QString replacement;

private:
    void enter(const QString &operation, const QString &argument);

    FakeEngine &m_engine;
    FakeApplication &m_app;
};

class FakeApplication : public WordApplication
{
public:
    explicit FakeApplication(FakeEngine &engine)
        : m_engine(engine)
        , m_find(engine, *this)
    {
        ++m_engine.liveApplications;
    }

    ~FakeApplication() override
    {
        m_engine.calls.append(QStringLiteral("destroy()"));
        --m_engine.liveApplications;
    }

    WordDocument *open(const QString &fileName, std::optional<bool> readOnly) override
    {
        const QString record = readOnly ? QStringLiteral("open(%1,readOnly=%2)").arg(fileName, flag(*readOnly))
                                        : QStringLiteral("open(%1)").arg(fileName);
        m_engine.enter(QStringLiteral("open"), record);
        requireRunning();
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw EngineError(QStringLiteral("Unsupported URL <%1>: \"type detection failed\"").arg(fileName));
        const QByteArray bytes = file.readAll();
        m_engine.openedFileBytes.append(bytes);
        m_documents.push_back(std::make_unique<FakeDocument>(m_engine, *this, QString::fromUtf8(bytes)));
        return m_documents.back().get();
    }

    WordFind *selectionFind() override
    {
        m_engine.enter(QStringLiteral("selectionFind"), QStringLiteral("selectionFind()"));
        activeDocument();
        return &m_find;
    }

    void setDisplayAlerts(bool on) override
    {
        m_engine.enter(QStringLiteral("setDisplayAlerts"), QStringLiteral("setDisplayAlerts(%1)").arg(flag(on)));
        requireRunning();
    }

    void closeActiveDocument(int saveChanges) override
    {
        m_engine.enter(QStringLiteral("closeActiveDocument"),
                       QStringLiteral("closeActiveDocument(%1)").arg(saveChanges));
        activeDocument().closed = true;
    }

    void quit() override
    {
        m_engine.enter(QStringLiteral("quit"), QStringLiteral("quit()"));
        requireRunning();
        m_quit = true;
    }

    void requireRunning() const
    {
        if (m_quit)
            throw EngineError(QStringLiteral("The remote server machine does not exist or is unavailable"));
    }

    // The most recently opened document that is still open.
    FakeDocument &activeDocument()
    {
        requireRunning();
        for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it) {
            if (!(*it)->closed)
                return **it;
        }
        throw EngineError(QStringLiteral("This command is not available because no document is open."));
    }

private:
    FakeEngine &m_engine;
    FakeFind m_find;
    std::vector<std::unique_ptr<FakeDocument>> m_documents;
    bool m_quit = false;
};

void FakeDocument::saveAs(const QString &fileName)
{
    store(fileName, QStringLiteral("saveAs(%1)").arg(fileName));
}

void FakeDocument::saveAsFormat(const QString &fileName, DocumentFormat format)
{
    store(fileName, QStringLiteral("saveAs(%1,format=%2)").arg(fileName).arg(int(format)));
}

void FakeDocument::saveAsFlatXml(const QString &fileName)
{
    m_engine.enter(QStringLiteral("saveAsFlatXml"), QStringLiteral("saveAsFlatXml(%1)").arg(fileName));
    m_app.requireRunning();
    requireOpen();
    const QByteArray bytes = m_engine.flatXml.isEmpty() ? text.toUtf8() : m_engine.flatXml;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw EngineError(QStringLiteral("Cannot write %1").arg(fileName));
}

void FakeDocument::store(const QString &fileName, const QString &record)
{
    m_engine.enter(QStringLiteral("saveAs"), record);
    m_app.requireRunning();
    requireOpen();
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) != text.toUtf8().size())
        throw EngineError(QStringLiteral("Cannot write %1").arg(fileName));
}

void FakeDocument::close()
{
    m_engine.enter(QStringLiteral("close"), QStringLiteral("close()"));
    m_app.requireRunning();
    requireOpen();
    closed = true;
}

void FakeDocument::copyRangeAsPicture()
{
    m_engine.enter(QStringLiteral("copyRangeAsPicture"), QStringLiteral("copyRangeAsPicture()"));
    m_app.requireRunning();
    requireOpen();
    if (!m_engine.clipboard)
        throw EngineError(QStringLiteral("The clipboard cannot be opened"));
    m_engine.clipboard->setImage(m_engine.picture);
}

void FakeFind::enter(const QString &operation, const QString &argument)
{
    m_engine.enter(QStringLiteral("find.") + operation, QStringLiteral("find.%1(%2)").arg(operation, argument));
    // The find object belongs to the selection, which needs an open document.
    m_app.activeDocument();
}

void FakeFind::clearFormatting()
{
    enter(QStringLiteral("clearFormatting"), QString());
}
void FakeFind::clearReplacementFormatting()
{
    enter(QStringLiteral("clearReplacementFormatting"), QString());
}
void FakeFind::setText(const QString &value)
{
    enter(QStringLiteral("setText"), value), text = value;
}
void FakeFind::setReplacementText(const QString &value)
{
    enter(QStringLiteral("setReplacementText"), value), replacement = value;
}
void FakeFind::setForward(bool on)
{
    enter(QStringLiteral("setForward"), flag(on));
}
void FakeFind::setWrap(int value)
{
    enter(QStringLiteral("setWrap"), QString::number(value));
}
void FakeFind::setFormat(bool on)
{
    enter(QStringLiteral("setFormat"), flag(on));
}
void FakeFind::setMatchCase(bool on)
{
    enter(QStringLiteral("setMatchCase"), flag(on));
}
void FakeFind::setMatchWholeWord(bool on)
{
    enter(QStringLiteral("setMatchWholeWord"), flag(on));
}
void FakeFind::setMatchWildcards(bool on)
{
    enter(QStringLiteral("setMatchWildcards"), flag(on));
}
void FakeFind::setMatchSoundsLike(bool on)
{
    enter(QStringLiteral("setMatchSoundsLike"), flag(on));
}
void FakeFind::setMatchAllWordForms(bool on)
{
    enter(QStringLiteral("setMatchAllWordForms"), flag(on));
}

void FakeFind::execute(int replace)
{
    m_engine.enter(QStringLiteral("execute"), QStringLiteral("execute(%1)").arg(replace));
    FakeDocument &document = m_app.activeDocument();
    if (replace == kWdReplaceAll)
        document.text = replaceAllIgnoringCase(document.text, text, replacement);
}

} // namespace

void FakeEngine::failOn(const QString &operation, int nthCall, const QString &description)
{
    m_faults.append({operation, nthCall,
                     description.isEmpty() ? QStringLiteral("Injected failure of %1").arg(operation) : description});
}

void FakeEngine::enter(const QString &operation, const QString &record)
{
    calls.append(record);
    const int count = ++m_counts[operation];
    for (const Fault &fault : std::as_const(m_faults)) {
        if (fault.operation == operation && (fault.nthCall == 0 || fault.nthCall == count))
            throw EngineError(fault.description);
    }
}

std::unique_ptr<WordApplication> FakeEngine::createApplication()
{
    enter(QStringLiteral("create"), QStringLiteral("create()"));
    ++createdApplications;
    return std::make_unique<FakeApplication>(*this);
}

int FakeEngine::callCount(const QString &operation) const
{
    return m_counts.value(operation);
}

QImage FakeEngine::samplePicture()
{
    // A letter-size page at 384 dpi with a few dark marks standing for the labels' text.
    QImage image(1472, 1904, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(15118);
    image.setDotsPerMeterY(15118);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 20));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column)
            painter.drawRect(120 + column * 720, 150 + row * 600, 400, 40);
    }
    return image;
}
