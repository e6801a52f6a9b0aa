#pragma once

#include <QFile>
#include <QString>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>
#include <memory>

// Reads an install-request XML file once, at construction, and answers whether it
// requests the installation of the suite's Sametime plug-in feature.
//
// Features count only once the group element
//   <installfeature id="Admin.added.requests">
// has started; from then on every
//   <feature id="com.zorva.pcsuite.ibm.sametime.plugin.feature" action="install">
// in the rest of the document sets the answer, which then stays set. A missing file
// answers false; a malformed one is traced and answers what was read before the
// fault.
class HVInstalledComponentXMLParser {
public:
    static std::shared_ptr<HVInstalledComponentXMLParser> initWithXml(const QString& xmlPath);

    HVInstalledComponentXMLParser(const HVInstalledComponentXMLParser&) = delete;
    HVInstalledComponentXMLParser& operator=(const HVInstalledComponentXMLParser&) = delete;

    bool featureInstalled() const { return m_featureInstalled; }

    // Events of the reader, in document order.
    void parser(QXmlStreamReader& parser, const QString& didStartElement,
                const QString& namespaceURI, const QString& qualifiedName,
                const QXmlStreamAttributes& attributes);
    void parser(QXmlStreamReader& parser, const QString& didEndElement, const QString& namespaceURI,
                const QString& qualifiedName);
    void parser(QXmlStreamReader& parser, const QString& foundCharacters);

private:
    HVInstalledComponentXMLParser() = default;
    void parse(const QString& xmlPath);

    QFile m_file;
    QXmlStreamReader m_parser;
    QString m_element; // kept for the record's layout; never set
    QString m_elementNameLocal;
    bool m_featureInstalled = false;
};
