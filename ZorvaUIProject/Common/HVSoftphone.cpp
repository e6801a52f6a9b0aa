#include "ZorvaUIProject/Common/HVSoftphone.h"

#include "Platform/archive/KeyedArchive.h"

HVSoftphonePtr HVSoftphone::initSoftphone(const QString& name, qint32 softphoneState) {
    auto softphone = std::make_shared<HVSoftphone>();
    softphone->softphoneState = softphoneState;
    softphone->softphone = name;
    softphone->cpsoftphone = QStringLiteral("");
    return softphone;
}

void HVSoftphone::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeInt32(softphoneState, QStringLiteral("state"));
    coder.encodeObject(softphone, QStringLiteral("subcategory"));
}

HVSoftphonePtr HVSoftphone::initWithCoder(platform::KeyedUnarchiver& coder) {
    // Starts zero-filled: cpname is not archived and stays absent.
    auto softphone = std::make_shared<HVSoftphone>();
    softphone->softphoneState = coder.decodeInt32ForKey(QStringLiteral("state"));
    softphone->softphone = coder.decodeStringForKey(QStringLiteral("subcategory"));
    return softphone;
}

QString HVSoftphone::description(int indent) const {
    return HVRecordDescription(QStringLiteral("HVSoftphone"),
                               {{QStringLiteral("name"), softphone},
                                {QStringLiteral("cpname"), cpsoftphone},
                                {QStringLiteral("state"), softphoneState}},
                               indent);
}
