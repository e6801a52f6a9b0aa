#include "ZorvaUIProject/Common/HVInstalledComponentXMLParser.h"

#include "Platform/ObjectDescription.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

namespace {

const QString kGroupElement = QStringLiteral("installfeature");
const QString kGroupId = QStringLiteral("Admin.added.requests");
const QString kFeatureElement = QStringLiteral("feature");
const QString kSametimeFeature = QStringLiteral("com.zorva.pcsuite.ibm.sametime.plugin.feature");
const QString kInstallAction = QStringLiteral("install");

} // namespace

std::shared_ptr<HVInstalledComponentXMLParser>
HVInstalledComponentXMLParser::initWithXml(const QString& xmlPath) {
    std::shared_ptr<HVInstalledComponentXMLParser> object(new HVInstalledComponentXMLParser());
    object->parse(xmlPath);
    return object;
}

void HVInstalledComponentXMLParser::parse(const QString& xmlPath) {
    m_featureInstalled = false;
    m_file.setFileName(xmlPath);
    if (xmlPath.isEmpty() || !m_file.open(QIODevice::ReadOnly)) {
        HVTrace::writeLine(QStringLiteral("HVInstalledComponentXMLParser : cannot open %1\n")
                               .arg(platform::describe(xmlPath)),
                           hvtrace::kUtilities, hvtrace::kHigh);
        return;
    }
    m_parser.setDevice(&m_file);
    // Name spaces play no part in the file's meaning; names are taken as written.
    m_parser.setNamespaceProcessing(false);
    while (!m_parser.atEnd()) {
        switch (m_parser.readNext()) {
        case QXmlStreamReader::StartElement:
            parser(m_parser, m_parser.name().toString(), m_parser.namespaceUri().toString(),
                   m_parser.qualifiedName().toString(), m_parser.attributes());
            break;
        case QXmlStreamReader::EndElement:
            parser(m_parser, m_parser.name().toString(), m_parser.namespaceUri().toString(),
                   m_parser.qualifiedName().toString());
            break;
        case QXmlStreamReader::Characters:
            parser(m_parser, m_parser.text().toString());
            break;
        default:
            break;
        }
    }
    if (m_parser.hasError()) {
        HVTrace::writeLine(QStringLiteral("HVInstalledComponentXMLParser : %1 is malformed at line "
                                          "%2: %3\n")
                               .arg(xmlPath)
                               .arg(m_parser.lineNumber())
                               .arg(m_parser.errorString()),
                           hvtrace::kUtilities, hvtrace::kHigh);
    }
}

void HVInstalledComponentXMLParser::parser(QXmlStreamReader& /*parser*/,
                                           const QString& didStartElement,
                                           const QString& /*namespaceURI*/,
                                           const QString& /*qualifiedName*/,
                                           const QXmlStreamAttributes& attributes) {
    if (didStartElement == kGroupElement && attributes.value(QStringLiteral("id")) == kGroupId) {
        m_elementNameLocal = kGroupElement;
        return;
    }
    if (m_elementNameLocal == kGroupElement && didStartElement == kFeatureElement) {
        if (attributes.value(QStringLiteral("id")) == kSametimeFeature &&
            attributes.value(QStringLiteral("action")) == kInstallAction) {
            m_featureInstalled = true;
        }
    }
}

void HVInstalledComponentXMLParser::parser(QXmlStreamReader& /*parser*/,
                                           const QString& /*didEndElement*/,
                                           const QString& /*namespaceURI*/,
                                           const QString& /*qualifiedName*/) {}

void HVInstalledComponentXMLParser::parser(QXmlStreamReader& /*parser*/,
                                           const QString& /*foundCharacters*/) {}
