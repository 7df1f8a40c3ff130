#include "address/ListValues.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace AddressList {

namespace {

bool allDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

// ISO 3166-1 alpha-3 codes, each followed by its alpha-2 code (Qt's locale
// data knows only the latter).
constexpr const char kAlpha3ToAlpha2[] =
    "ABWAW AFGAF AGOAO AIAAI ALAAX ALBAL ANDAD AREAE ARGAR ARMAM ASMAS ATAAQ ATFTF ATGAG AUSAU AUTAT "
    "AZEAZ BDIBI BELBE BENBJ BESBQ BFABF BGDBD BGRBG BHRBH BHSBS BIHBA BLMBL BLRBY BLZBZ BMUBM BOLBO "
    "BRABR BRBBB BRNBN BTNBT BVTBV BWABW CAFCF CANCA CCKCC CHECH CHLCL CHNCN CIVCI CMRCM CODCD COGCG "
    "COKCK COLCO COMKM CPVCV CRICR CUBCU CUWCW CXRCX CYMKY CYPCY CZECZ DEUDE DJIDJ DMADM DNKDK DOMDO "
    "DZADZ ECUEC EGYEG ERIER ESHEH ESPES ESTEE ETHET FINFI FJIFJ FLKFK FRAFR FROFO FSMFM GABGA GBRGB "
    "GEOGE GGYGG GHAGH GIBGI GINGN GLPGP GMBGM GNBGW GNQGQ GRCGR GRDGD GRLGL GTMGT GUFGF GUMGU GUYGY "
    "HKGHK HMDHM HNDHN HRVHR HTIHT HUNHU IDNID IMNIM INDIN IOTIO IRLIE IRNIR IRQIQ ISLIS ISRIL ITAIT "
    "JAMJM JEYJE JORJO JPNJP KAZKZ KENKE KGZKG KHMKH KIRKI KNAKN KORKR KWTKW LAOLA LBNLB LBRLR LBYLY "
    "LCALC LIELI LKALK LSOLS LTULT LUXLU LVALV MACMO MAFMF MARMA MCOMC MDAMD MDGMG MDVMV MEXMX MHLMH "
    "MKDMK MLIML MLTMT MMRMM MNEME MNGMN MNPMP MOZMZ MRTMR MSRMS MTQMQ MUSMU MWIMW MYSMY MYTYT NAMNA "
    "NCLNC NERNE NFKNF NGANG NICNI NIUNU NLDNL NORNO NPLNP NRUNR NZLNZ OMNOM PAKPK PANPA PCNPN PERPE "
    "PHLPH PLWPW PNGPG POLPL PRIPR PRKKP PRTPT PRYPY PSEPS PYFPF QATQA REURE ROURO RUSRU RWARW SAUSA "
    "SDNSD SENSN SGPSG SGSGS SHNSH SJMSJ SLBSB SLESL SLVSV SMRSM SOMSO SPMPM SRBRS SSDSS STPST SURSR "
    "SVKSK SVNSI SWESE SWZSZ SXMSX SYCSC SYRSY TCATC TCDTD TGOTG THATH TJKTJ TKLTK TKMTM TLSTL TONTO "
    "TTOTT TUNTN TURTR TUVTV TWNTW TZATZ UGAUG UKRUA UMIUM URYUY USAUS UZBUZ VATVA VCTVC VENVE VGBVG "
    "VIRVI VNMVN VUTVU WLFWF WSMWS YEMYE ZAFZA ZMBZM ZWEZW ";

QString alpha2OfAlpha3(const QString &code)
{
    static const QString table = QString::fromLatin1(kAlpha3ToAlpha2);
    for (qsizetype at = 0; at + 5 <= table.size(); at += 6) {
        if (QStringView(table).mid(at, 3).compare(code, Qt::CaseInsensitive) == 0)
            return table.mid(at + 3, 2);
    }
    return QString();
}

// Names people write beside the ones Qt's locale data gives.
QString alpha2OfOtherName(const QString &lowered)
{
    static const QMap<QString, QString> names = {
        {QStringLiteral("usa"), QStringLiteral("US")},
        {QStringLiteral("u.s."), QStringLiteral("US")},
        {QStringLiteral("u.s.a."), QStringLiteral("US")},
        {QStringLiteral("united states of america"), QStringLiteral("US")},
        {QStringLiteral("america"), QStringLiteral("US")},
        {QStringLiteral("uk"), QStringLiteral("GB")},
        {QStringLiteral("u.k."), QStringLiteral("GB")},
        {QStringLiteral("great britain"), QStringLiteral("GB")},
        {QStringLiteral("england"), QStringLiteral("GB")},
        {QStringLiteral("scotland"), QStringLiteral("GB")},
        {QStringLiteral("wales"), QStringLiteral("GB")},
        {QStringLiteral("northern ireland"), QStringLiteral("GB")},
        {QStringLiteral("us virgin islands"), QStringLiteral("VI")},
        {QStringLiteral("u.s. virgin islands"), QStringLiteral("VI")},
        {QStringLiteral("virgin islands"), QStringLiteral("VI")},
        {QStringLiteral("virgin islands, u.s."), QStringLiteral("VI")},
        {QStringLiteral("deutschland"), QStringLiteral("DE")},
        {QStringLiteral("holland"), QStringLiteral("NL")},
        {QStringLiteral("the netherlands"), QStringLiteral("NL")},
        {QStringLiteral("korea"), QStringLiteral("KR")},
        {QStringLiteral("republic of korea"), QStringLiteral("KR")},
    };
    return names.value(lowered);
}

// The two-letter code of a country written as a 2- or 3-letter code or a name.
QString countryCode(const QString &country)
{
    const QString text = country.trimmed();
    if (text.size() == 2) {
        const QLocale::Territory territory = QLocale::codeToTerritory(text.toUpper());
        return territory == QLocale::AnyTerritory ? QString() : QLocale::territoryToCode(territory);
    }
    if (text.size() == 3) {
        const QString code = alpha2OfAlpha3(text);
        if (!code.isEmpty())
            return code;
    }
    const QString lowered = text.toLower();
    const QString other = alpha2OfOtherName(lowered);
    if (!other.isEmpty())
        return other;
    static const QMap<QString, QString> byName = [] {
        QMap<QString, QString> map;
        for (int t = QLocale::AnyTerritory + 1; t <= QLocale::LastTerritory; ++t) {
            const auto territory = QLocale::Territory(t);
            const QString code = QLocale::territoryToCode(territory);
            if (code.size() == 2)
                map.insert(QLocale::territoryToString(territory).toLower(), code);
        }
        return map;
    }();
    return byName.value(lowered);
}

// The US and the territories its post serves as domestic mail.
bool isDomesticCode(const QString &code)
{
    static const QStringList codes = {QStringLiteral("US"), QStringLiteral("PR"), QStringLiteral("VI"),
                                      QStringLiteral("GU"), QStringLiteral("AS"), QStringLiteral("MP")};
    return codes.contains(code);
}

} // namespace

bool unwrapCell(QString &cell)
{
    static const QRegularExpression formula(QStringLiteral("^=\\s*\"(.*)\"$"));
    if (cell.startsWith(QLatin1Char('\'')) && cell.size() > 1) {
        cell = cell.mid(1).trimmed();
        return true;
    }
    const QRegularExpressionMatch match = formula.match(cell);
    if (match.hasMatch()) {
        cell = match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\"")).trimmed();
        return true;
    }
    return false;
}

QString usStateCode(const QString &state)
{
    // The names the US Postal Service gives its two-letter codes.
    static const QMap<QString, QString> codes = {
        {"alabama", "AL"},
        {"alaska", "AK"},
        {"arizona", "AZ"},
        {"arkansas", "AR"},
        {"california", "CA"},
        {"colorado", "CO"},
        {"connecticut", "CT"},
        {"delaware", "DE"},
        {"district of columbia", "DC"},
        {"florida", "FL"},
        {"georgia", "GA"},
        {"hawaii", "HI"},
        {"idaho", "ID"},
        {"illinois", "IL"},
        {"indiana", "IN"},
        {"iowa", "IA"},
        {"kansas", "KS"},
        {"kentucky", "KY"},
        {"louisiana", "LA"},
        {"maine", "ME"},
        {"maryland", "MD"},
        {"massachusetts", "MA"},
        {"michigan", "MI"},
        {"minnesota", "MN"},
        {"mississippi", "MS"},
        {"missouri", "MO"},
        {"montana", "MT"},
        {"nebraska", "NE"},
        {"nevada", "NV"},
        {"new hampshire", "NH"},
        {"new jersey", "NJ"},
        {"new mexico", "NM"},
        {"new york", "NY"},
        {"north carolina", "NC"},
        {"north dakota", "ND"},
        {"ohio", "OH"},
        {"oklahoma", "OK"},
        {"oregon", "OR"},
        {"pennsylvania", "PA"},
        {"rhode island", "RI"},
        {"south carolina", "SC"},
        {"south dakota", "SD"},
        {"tennessee", "TN"},
        {"texas", "TX"},
        {"utah", "UT"},
        {"vermont", "VT"},
        {"virginia", "VA"},
        {"washington", "WA"},
        {"west virginia", "WV"},
        {"wisconsin", "WI"},
        {"wyoming", "WY"},
        {"american samoa", "AS"},
        {"guam", "GU"},
        {"northern mariana islands", "MP"},
        {"puerto rico", "PR"},
        {"virgin islands", "VI"},
        {"u.s. virgin islands", "VI"},
        {"us virgin islands", "VI"},
        {"united states virgin islands", "VI"},
        {"armed forces americas", "AA"},
        {"armed forces europe", "AE"},
        {"armed forces pacific", "AP"},
        {"armed forces africa", "AE"},
        {"armed forces canada", "AE"},
        {"armed forces middle east", "AE"},
    };
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QString key = state.trimmed().toLower().replace(spaces, QStringLiteral(" "));
    return codes.value(key, state);
}

Destination destinationOf(const QString &country, const QString &state, const QString &city)
{
    Destination destination;
    static const QRegularExpression militaryCity(QStringLiteral("^(APO|FPO|DPO)$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    static const QStringList militaryStates = {QStringLiteral("AA"), QStringLiteral("AE"), QStringLiteral("AP")};
    if (militaryCity.match(city.trimmed()).hasMatch() && militaryStates.contains(state.trimmed().toUpper())) {
        destination.code = QStringLiteral("US");
        return destination;
    }
    if (country.trimmed().isEmpty()) {
        destination.code = QStringLiteral("US");
        return destination;
    }
    destination.code = countryCode(country);
    if (isDomesticCode(destination.code))
        return destination;
    destination.domestic = false;
    destination.countryLine = destination.code.isEmpty()
        ? country.trimmed().toUpper()
        : QLocale::territoryToString(QLocale::codeToTerritory(destination.code)).toUpper();
    return destination;
}

QString cityLineAbroad(const QString &code, const QString &city, const QString &state, const QString &zip)
{
    // The city lines of Google's address data (libaddressinput,
    // chromium-i18n.appspot.com/ssl-address, "fmt"): %C city, %S state or
    // province, %Z postcode; "%n" starts a new line. Countries not listed take
    // city, state and postcode in that order.
    static const QMap<QString, QString> formats = {
        {"AT", "%Z %C"}, {"AU", "%C %S %Z"}, {"BE", "%Z %C"}, {"CA", "%C %S %Z"}, {"DE", "%Z %C"},
        {"DK", "%Z %C"}, {"ES", "%Z %C %S"}, {"FR", "%Z %C"}, {"GB", "%C%n%Z"},
    };
    const QString format = formats.value(code, QStringLiteral("%C %S %Z"));
    QStringList lines;
    QStringList words; // of the line being made: a missing part leaves no space behind
    auto endLine = [&] {
        if (!words.isEmpty())
            lines << words.join(QLatin1Char(' '));
        words.clear();
    };
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%') || i + 1 == format.size()) {
            continue; // the formats used here separate their parts by spaces only
        }
        const QChar token = format[++i];
        if (token == QLatin1Char('n')) {
            endLine();
            continue;
        }
        const QString value = token == QLatin1Char('C') ? city.trimmed()
            : token == QLatin1Char('S')                 ? state.trimmed()
                                                        : zip.trimmed();
        if (!value.isEmpty())
            words << value;
    }
    endLine();
    return lines.join(QLatin1Char('\n'));
}

QString joinedParts(const QMap<Part, QString> &parts)
{
    if (parts.contains(Part::Whole) && !parts.contains(Part::Line2) && !parts.contains(Part::Line3))
        return parts[Part::Whole];
    QStringList pieces;
    for (Part part : {Part::Whole, Part::Line2, Part::Line3}) {
        if (!parts.value(part).isEmpty())
            pieces << parts.value(part);
    }
    if (!pieces.isEmpty())
        return pieces.join(QStringLiteral(", "));
    pieces.clear();
    for (Part part : {Part::FirstName, Part::LastName}) {
        if (!parts.value(part).isEmpty())
            pieces << parts.value(part);
    }
    return pieces.join(QLatin1Char(' '));
}

QString shipToName(const QString &wholeAddress, const QString &street)
{
    const qsizetype comma = wholeAddress.indexOf(QLatin1Char(','));
    const QString firstLine = street.section(QLatin1Char(','), 0, 0).trimmed();
    if (comma <= 0 || firstLine.isEmpty())
        return QString();
    if (!wholeAddress.mid(comma + 1).trimmed().startsWith(firstLine, Qt::CaseInsensitive))
        return QString();
    return wholeAddress.left(comma).trimmed();
}

bool isUnitedStates(const QString &country)
{
    static const QStringList names = {QString(),
                                      QStringLiteral("us"),
                                      QStringLiteral("usa"),
                                      QStringLiteral("u.s."),
                                      QStringLiteral("u.s.a."),
                                      QStringLiteral("united states"),
                                      QStringLiteral("united states of america")};
    return names.contains(country.trimmed().toLower());
}

MendedZip mendedUsZip(const QString &zip, const QString &state)
{
    MendedZip mended{zip};
    static const QRegularExpression zipPlus4(QStringLiteral("^(\\d{5})\\s*[-\u2010\u2011\u2013]\\s*(\\d{4})$"));
    const QRegularExpressionMatch plus4 = zipPlus4.match(zip);
    if (plus4.hasMatch()) {
        mended.zip = plus4.captured(1) + QChar(kZipHyphen) + plus4.captured(2);
        return mended;
    }
    if (!allDigits(zip))
        return mended;
    const bool territory = state == QLatin1String("PR") || state == QLatin1String("VI");
    if (zip.size() == 4 || zip.size() == 8 || (territory && (zip.size() == 3 || zip.size() == 7))) {
        // a spreadsheet took it for a number
        mended.zip = QString(zip.size() % 4 == 3 ? 2 : 1, QLatin1Char('0')) + zip;
        mended.zeroRestored = true;
    }
    if (mended.zip.size() == 9) {
        mended.zip.insert(5, QChar(kZipHyphen));
        mended.hyphenated = true;
    }
    return mended;
}

} // namespace AddressList
