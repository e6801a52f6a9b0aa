#!/usr/bin/env python3
"""Writes the inputs that once crashed, stalled or exhausted the parsers, one
folder per fuzz target: scripts/fuzz replays them on every run. They are
generated here (some are megabytes) rather than kept in the repository.

    fuzz/make_regressions.py OUTPUT_DIR
"""
import os
import plistlib
import sys


def xml_plist(body: bytes) -> bytes:
    return b"<plist>" + body + b"</plist>"


def comment_depth(n: int = 200_000) -> bytes:
    # Closing tags hidden in a comment, then nesting no stack holds.
    return xml_plist(b"<!--" + b"</array>" * n + b"-->" + b"<array>" * n + b"</array>" * n)


def shared_children(levels: int = 24) -> bytes:
    node = ["a"]
    for _ in range(levels):
        node = [node, node]
    return plistlib.dumps(node, fmt=plistlib.FMT_BINARY)


def utf16_nul(as_key: bool) -> bytes:
    text = "\u00e9\u0000"
    value = {text: 1} if as_key else text
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY)


def archive(objects: list) -> bytes:
    top = {
        "$archiver": "NSKeyedArchiver",
        "$version": 100000,
        "$top": {"root": plistlib.UID(1)},
        "$objects": ["$null"] + objects,
    }
    return plistlib.dumps(top, fmt=plistlib.FMT_BINARY)


def nested_batteries(n: int = 6, levels: int = 8) -> bytes:
    # n devices a level, all holding the next level's archive as battery data.
    data = b""
    for _ in range(levels):
        devices = []
        for i in range(n):
            device = {"$class": plistlib.UID(3), "headsettype": i}
            if data:
                device["encodedBatteryInfo"] = plistlib.UID(4 + n)
            devices.append(device)
        objects = [
            {"$class": plistlib.UID(2), "NS.objects": [plistlib.UID(4 + i) for i in range(n)]},
            {"$classname": "NSArray", "$classes": ["NSArray", "NSObject"]},
            {"$classname": "HVDevice", "$classes": ["HVDevice", "NSObject"]},
        ] + devices + ([data] if data else [])
        data = archive(objects)
    return data


def long_object_table(n: int = 5_000_000) -> bytes:
    # "$objects" of n one-byte references to one string.
    return archive(["x"] * n)


def main() -> None:
    out = sys.argv[1]
    deep = comment_depth()
    inputs = {
        "plist": {
            "comment_depth.xml": deep,
            "nul_string.xml": xml_plist(b"<string>a\0b</string>"),
            "nul_key.xml": xml_plist(b"<dict><key>\0</key><true/></dict>"),
            "utf16_nul_string.bplist": utf16_nul(False),
            "utf16_nul_key.bplist": utf16_nul(True),
            "shared_children.bplist": shared_children(),
            "date_2100.xml": xml_plist(b"<date>2100-01-01T00:00:00Z</date>"),
            "bom.xml": xml_plist(b"<string>\xef\xbb\xbfx</string>"),
        },
        "binary_plist": {
            "shared_children.bplist": shared_children(),
            "utf16_nul_key.bplist": utf16_nul(True),
        },
        "xml_differential": {
            "leading_zero.xml": xml_plist(b"<integer>013</integer>"),
            "unpadded.xml": xml_plist(b"<data>Bb</data>"),
            "date_1900.xml": xml_plist(b"<date>1900-01-01T00:00:00Z</date>"),
            "date_2100.xml": xml_plist(b"<date>2100-01-01T00:00:00Z</date>"),
            "bom.xml": xml_plist(b"<string>\xef\xbb\xbfx</string>"),
        },
        "keyed_archive": {
            "comment_depth.xml": deep,
            "nested_batteries.bplist": nested_batteries(),
            "long_object_table.bplist": long_object_table(),
            "utf16_nul_key.bplist": archive([utf16_nul(True)]),
        },
        "installed_components": {
            "comment_depth.xml": deep,
        },
        "decrypt_file": {
            "one_block.enc": b"\0" * 16,
        },
    }
    for target, files in inputs.items():
        folder = os.path.join(out, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
