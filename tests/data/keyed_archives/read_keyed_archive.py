#!/usr/bin/python3
"""Reads a keyed archive with Python's standard plistlib only, checks its
layout and prints the object tree as JSON, so that a test can compare what the
codec wrote with what another implementation of the format understands.

Usage: /usr/bin/python3 read_keyed_archive.py FILE
Output: {"format": "binary"|"xml", "objectCount": n, "classNames": [...],
         "root": <tree>} where records and collections print as
{"$class": name, ...fields}, data as {"$data": hex}, and 64-bit integers as
numbers. Exits with status 1 and a message on a layout error.
"""
import json
import plistlib
import sys


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def main(path):
    with open(path, "rb") as f:
        raw = f.read()
    archive = plistlib.loads(raw)
    fmt = "binary" if raw.startswith(b"bplist00") else "xml"
    if archive.get("$archiver") != "NSKeyedArchiver":
        fail("$archiver is %r" % archive.get("$archiver"))
    if archive.get("$version") != 100000:
        fail("$version is %r" % archive.get("$version"))
    objects = archive.get("$objects")
    if not isinstance(objects, list) or not objects or objects[0] != "$null":
        fail("$objects does not start with $null")
    top = archive.get("$top")
    if not isinstance(top, dict) or not isinstance(top.get("root"), plistlib.UID):
        fail("$top has no root reference")

    class_names = []
    for obj in objects:
        if isinstance(obj, dict) and "$classname" in obj:
            classes = obj.get("$classes")
            if not isinstance(classes, list) or classes[0] != obj["$classname"]:
                fail("class %r has a bad $classes" % obj["$classname"])
            class_names.append(obj["$classname"])
    if len(class_names) != len(set(class_names)):
        fail("a class is written more than once: %r" % class_names)

    def ref(uid, depth=0):
        if not isinstance(uid, plistlib.UID):
            fail("expected a reference, got %r" % (uid,))
        if uid.data >= len(objects):
            fail("reference %d out of range" % uid.data)
        return value(objects[uid.data], depth + 1)

    def value(obj, depth):
        if depth > 64:
            fail("too deep")
        if obj == "$null":
            return None
        if isinstance(obj, (bytes, bytearray)):
            return {"$data": obj.hex()}
        if not isinstance(obj, dict):
            return obj
        cls = objects[obj["$class"].data]
        name = cls["$classname"]
        if name in ("NSArray", "NSMutableArray"):
            return {"$class": name, "NS.objects": [ref(u, depth) for u in obj["NS.objects"]]}
        if name in ("NSDictionary", "NSMutableDictionary"):
            keys = [ref(u, depth) for u in obj["NS.keys"]]
            vals = [ref(u, depth) for u in obj["NS.objects"]]
            return {"$class": name, "entries": dict(zip(keys, vals))}
        if name == "NSDate":
            return {"$class": name, "NS.time": obj["NS.time"]}
        out = {"$class": name}
        for key, item in obj.items():
            if key == "$class":
                continue
            out[key] = ref(item, depth) if isinstance(item, plistlib.UID) else item
        return out

    print(json.dumps({"format": fmt, "objectCount": len(objects),
                      "classNames": class_names, "root": ref(top["root"])}))


if __name__ == "__main__":
    main(sys.argv[1])
