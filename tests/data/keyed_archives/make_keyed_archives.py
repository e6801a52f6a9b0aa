#!/usr/bin/python3
"""Writes keyed-archive fixtures with Python's standard plistlib only, as a
second, independent writer of the format that the codec must read.

Run from anywhere: /usr/bin/python3 make_keyed_archives.py
Each archive is written in binary form (.bplist) and in XML form (.xml), where
references are the dictionaries { "CF$UID" = n } that XML property lists use.
"""
import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Archive:
    """Builds "$objects" by hand: object 0 is "$null", classes are shared."""

    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, value):
        self.objects.append(value)
        return plistlib.UID(len(self.objects) - 1)

    def cls(self, name, *parents):
        if name not in self.classes:
            self.classes[name] = self.add(
                {"$classname": name, "$classes": [name, *parents, "NSObject"]})
        return self.classes[name]

    def obj(self, class_name, fields, parents=()):
        """An object whose fields are filled in after its UID is known."""
        uid = self.add({})
        d = {"$class": self.cls(class_name, *parents)}
        d.update(fields(uid) if callable(fields) else fields)
        self.objects[uid.data] = d
        return uid

    def array(self, uids, mutable=True):
        name = "NSMutableArray" if mutable else "NSArray"
        parents = ("NSArray",) if mutable else ()
        return self.obj(name, {"NS.objects": list(uids)}, parents)

    def dictionary(self, pairs, mutable=True):
        name = "NSMutableDictionary" if mutable else "NSDictionary"
        parents = ("NSDictionary",) if mutable else ()
        keys = [self.add(k) for k, _ in pairs]
        return self.obj(name, {"NS.keys": keys, "NS.objects": [v for _, v in pairs]}, parents)

    def top(self, root):
        return {"$version": 100000, "$archiver": "NSKeyedArchiver",
                "$top": {"root": root}, "$objects": self.objects}


def to_xml_form(value):
    if isinstance(value, plistlib.UID):
        return {"CF$UID": value.data}
    if isinstance(value, dict):
        return {k: to_xml_form(v) for k, v in value.items()}
    if isinstance(value, list):
        return [to_xml_form(v) for v in value]
    return value


def write(name, archive):
    with open(os.path.join(HERE, name + ".bplist"), "wb") as f:
        plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY, sort_keys=False)
    with open(os.path.join(HERE, name + ".xml"), "wb") as f:
        plistlib.dump(to_xml_form(archive), f, fmt=plistlib.FMT_XML, sort_keys=False)


def battery_archive():
    a = Archive()
    root = a.obj("HVBatteryInformation", {
        "hsProductTypeId": a.add("HS-77"), "isCharging": True,
        "isBatteryLow": False, "hsBatteryPCT": 80})
    return plistlib.dumps(a.top(root), fmt=plistlib.FMT_BINARY)


def device():
    a = Archive()
    subversions = a.array([a.add("1.0"), a.add("2.5")])
    root = a.obj("HVDevice", {
        "devnamekey": a.add("Zorva Quillo"),
        "productId": a.add("HV0123"),
        "version": a.add("3.4.5"),
        "subversions": subversions,
        "XMLURLKey": a.add("https://example.com/catalogue.xml"),
        "selectedRegionKey": a.add(4),
        "languageSupported": a.add(1036),
        "downloadUrl": plistlib.UID(0),
        "encodedBatteryInfo": a.add(battery_archive()),
        "locationID": 2**64 - 1,  # read back with the same 64 bits
        "devFwUpdateState": 1,
        "headsettype": 2})
    return a.top(root)


def softphones():
    a = Archive()
    skype = a.obj("HVSoftphone", {"state": 1, "subcategory": a.add("Skype")})
    lync = a.obj("HVSoftphone", {"state": 0, "subcategory": a.add("Lync")})
    return a.top(a.array([skype, lync, skype], mutable=False))


def component_list():
    a = Archive()
    english = a.obj("HVXmlLanguageInfo", {
        "firmwareFileName": a.add("fw_en.bin"), "languageCode": a.add("409"),
        "languageName": a.add("English"), "languageVersion": a.add("1.0")})
    french = a.obj("HVXmlLanguageInfo", {
        "firmwareFileName": a.add("fw_fr.bin"), "languageCode": a.add("40C"),
        "languageName": a.add("French")})
    region = a.obj("HVXmlBuildVectorRegionInfo", {
        "regionName": a.add("Europe"), "regionId": a.add("7"),
        "regionfileName": a.add("eu.bin"),
        "supportedRegLanguages": a.array([a.add("English"), a.add("French")])})
    build = a.obj("HVXmlBuildVectorInfo", {
        "currentBaseProcessorFwVersion": a.add("1.1"),
        "availbleBaseProcessorFwVersion": a.add("1.2"),
        "firmwareFileNames": a.dictionary([("base", a.add("base.bin"))]),
        "availableRegionInfo": a.array([region])})
    device = a.dictionary([
        ("componentNameKey", a.add("Zorva Quillo")),
        ("currentVersionKey", a.add("1.1")),
        ("AvailableVersionKey", a.add("1.2")),
        ("LocIdKey", a.add(2**63)),
        ("ProdIdKey", a.add("HV0123")),
        ("UpdateStatusKey", a.add(0)),
        ("languageInfo", a.array([english, french])),
        ("buildVectorInfo", build),
        ("selectedRegionKey", a.add(7))])
    suite = a.dictionary([
        ("componentNameKey", a.add("Zorva Suite for Mac")),
        ("LocIdKey", a.add(2**64 - 1)),
        ("UpdateStatusKey", a.add(1))], mutable=False)
    return a.top(a.array([device, suite]))


def standard_values():
    """Strings, numbers, data, dates and collections in their usual forms."""
    a = Archive()
    date = a.obj("NSDate", {"NS.time": 631152000.5})  # 2021-01-01 00:00:00.5 UTC
    mutable_string = a.obj("NSMutableString", {"NS.string": "mutable"}, ("NSString",))
    mutable_data = a.obj("NSMutableData", {"NS.data": b"\x01\x02"}, ("NSData",))
    root = a.dictionary([
        ("string", a.add("héllo")),
        ("integer", a.add(-42)),
        ("big", a.add(2**40)),
        ("real", a.add(2.5)),
        ("yes", a.add(True)),
        ("data", a.add(b"\x00\xff")),
        ("date", date),
        ("mutableString", mutable_string),
        ("mutableData", mutable_data),
        ("nothing", plistlib.UID(0)),
        ("array", a.array([a.add("a"), a.add(1)], mutable=False)),
        ("nested", a.dictionary([("k", a.add("v"))], mutable=False))], mutable=False)
    return a.top(root)


if __name__ == "__main__":
    write("device", device())
    write("softphones", softphones())
    write("component_list", component_list())
    write("standard_values", standard_values())
    # Reference date used by standard_values, for the reader of this script.
    assert datetime.datetime(2001, 1, 1, tzinfo=datetime.timezone.utc) + \
        datetime.timedelta(seconds=631152000) == \
        datetime.datetime(2021, 1, 1, tzinfo=datetime.timezone.utc)
