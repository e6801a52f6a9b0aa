#include "ZorvaUIProject/Common/HVInstalledComponentXMLParser.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kGroup = "<installfeature id=\"Admin.added.requests\">";
const QByteArray kInstall =
    "<feature id=\"com.zorva.pcsuite.ibm.sametime.plugin.feature\" action=\"install\"/>";
const QByteArray kUninstall =
    "<feature id=\"com.zorva.pcsuite.ibm.sametime.plugin.feature\" action=\"uninstall\"/>";

class InstalledComponentParser : public ::testing::Test {
protected:
    bool answerFor(const QByteArray& body) {
        const QString path = m_sandbox.home("requests.xml");
        EXPECT_TRUE(testsupport::writeFile(path, body));
        return HVInstalledComponentXMLParser::initWithXml(path)->featureInstalled();
    }

    testsupport::ScopedSandbox m_sandbox;
    testsupport::TraceCapture m_trace;
};

} // namespace

TEST_F(InstalledComponentParser, FeaturesCountOnlyAfterTheGroupStartsAndFaultsAnswerWhatWasRead) {
    const QByteArray id = "id=\"com.zorva.pcsuite.ibm.sametime.plugin.feature\"";
    // clang-format off
    const std::pair<QByteArray, bool> rows[] = {
        {"<?xml version=\"1.0\"?><requests>" + kGroup + kInstall + "</installfeature></requests>", true},
        // Text, other elements and other attributes around it change nothing.
        {"<requests>text<a/>" + kGroup + "<feature action=\"install\" other=\"1\" " + id + ">x</feature></installfeature></requests>", true},
        // Before the group it is ignored; after the group's end tag it still counts.
        {"<r>" + kInstall + kGroup + "</installfeature></r>", false},
        {"<r>" + kGroup + "</installfeature>" + kInstall + "</r>", true},
        // Another group id does not open the group; letter case matters everywhere.
        {"<r><installfeature id=\"User.requests\">" + kInstall + "</installfeature></r>", false},
        {"<r><InstallFeature id=\"Admin.added.requests\">" + kInstall + "</InstallFeature></r>", false},
        {"<r>" + kGroup + "<feature " + id + " action=\"Install\"/></installfeature></r>", false},
        {"<r>" + kGroup + "<feature id=\"com.zorva.other.feature\" action=\"install\"/></installfeature></r>", false},
        // An uninstall neither sets nor clears the answer.
        {"<r>" + kGroup + kUninstall + "</installfeature></r>", false},
        {"<r>" + kGroup + kInstall + kUninstall + "</installfeature></r>", true},
        // A fault before the request: false. After it: what was read stands.
        {"<r>" + kGroup + "<feature id=\"com.zorva.pcsuite.ibm.sametime", false},
        {"<r>" + kGroup + kInstall + "</r></installfeature>", true},
        {QByteArray("\x00\xff\xfe garbage", 12), false}, {QByteArray(), false},
        // Entities are not a way to smuggle in the request or to blow the parse up.
        {"<!DOCTYPE r [<!ENTITY f SYSTEM \"file:///etc/passwd\">]><r>" + kGroup + "&f;</installfeature></r>", false},
    };
    // clang-format on
    for (const auto& [body, installed] : rows) {
        EXPECT_EQ(answerFor(body), installed) << body.toStdString();
    }
    // Missing files and folders.
    EXPECT_FALSE(HVInstalledComponentXMLParser::initWithXml(m_sandbox.home("absent.xml"))
                     ->featureInstalled());
    EXPECT_FALSE(HVInstalledComponentXMLParser::initWithXml(QString())->featureInstalled());
    EXPECT_FALSE(HVInstalledComponentXMLParser::initWithXml(m_sandbox.home())->featureInstalled());
}
