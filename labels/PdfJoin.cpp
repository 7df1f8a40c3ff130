#include "labels/PdfJoin.h"

#include "core/Failure.h"
#include "core/SafeWrite.h"

#include <QFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// A subset font's name begins with a tag of six capitals and "+", which
// must differ between the different subsets of one file (a printer may
// take one for the other). Every office counts its tags from the same
// start, so the fonts of a later part get tags of their own.
class FontTags
{
public:
    static bool isTagged(const std::string &name)
    {
        if (name.size() < 7 || name[6] != '+')
            return false;
        for (size_t i = 0; i < 6; ++i) {
            if (name[i] < 'A' || name[i] > 'Z')
                return false;
        }
        return true;
    }

    void keep(QPDF &pdf)
    {
        for (QPDFObjectHandle &object : pdf.getAllObjects()) {
            const std::string name = fontName(object);
            if (isTagged(name))
                m_used.insert(name.substr(0, 6));
        }
    }

    void renew(QPDF &pdf)
    {
        std::map<std::string, std::string> renamed;
        for (QPDFObjectHandle &object : pdf.getAllObjects()) {
            const std::string name = fontName(object);
            if (!isTagged(name))
                continue;
            std::string &tag = renamed[name.substr(0, 6)];
            if (tag.empty())
                tag = fresh();
            object.replaceKey(keyOf(object), QPDFObjectHandle::newName("/" + tag + name.substr(6)));
        }
    }

private:
    static std::string keyOf(QPDFObjectHandle &object)
    {
        return object.getKey("/Type").isNameAndEquals("/FontDescriptor") ? "/FontName" : "/BaseFont";
    }

    // The font's or font descriptor's name without its slash, or empty.
    static std::string fontName(QPDFObjectHandle &object)
    {
        if (!object.isDictionary())
            return {};
        QPDFObjectHandle type = object.getKey("/Type");
        if (!type.isNameAndEquals("/Font") && !type.isNameAndEquals("/FontDescriptor"))
            return {};
        QPDFObjectHandle name = object.getKey(keyOf(object));
        return name.isName() ? name.getName().substr(1) : std::string();
    }

    std::string fresh()
    {
        std::string tag;
        do {
            tag.clear();
            for (unsigned n = m_next++, i = 0; i < 6; ++i, n /= 26)
                tag += char('A' + n % 26);
        } while (m_used.count(tag));
        m_used.insert(tag);
        return tag;
    }

    std::set<std::string> m_used;
    unsigned m_next = 0;
};

} // namespace

void JoinPdfs(const QStringList &parts, const QString &target)
{
    if (parts.isEmpty())
        throw Failure(QStringLiteral("There is no PDF to write to %1").arg(target));
    QByteArray bytes;
    try {
        // Every part stays open until the writing: copied pages read their
        // contents from it then.
        std::vector<std::unique_ptr<QPDF>> opened;
        for (const QString &part : parts) {
            auto pdf = std::make_unique<QPDF>();
            pdf->setSuppressWarnings(true);
            pdf->processFile(QFile::encodeName(part).constData());
            opened.push_back(std::move(pdf));
        }
        FontTags tags;
        tags.keep(*opened.front());
        QPDFPageDocumentHelper joined(*opened.front());
        for (size_t i = 1; i < opened.size(); ++i) {
            tags.renew(*opened[i]);
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(*opened[i]).getAllPages())
                joined.addPage(page, false);
        }
        // Made in memory and written with every write checked: qpdf's file
        // output does not report a full disk.
        QPDFWriter writer(*opened.front());
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        bytes = QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
    } catch (const std::exception &e) {
        throw Failure(
            QStringLiteral("Cannot write the sheets to %1: %2").arg(target, QString::fromLocal8Bit(e.what())));
    }
    WriteWholeFile(bytes, target);
}
