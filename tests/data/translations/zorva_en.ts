<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>GREETING_KEY</source>
        <translation>Hello there</translation>
    </message>
</context>
<context>
    <name>Other</name>
    <message>
        <source>GREETING_KEY</source>
        <translation>From another table</translation>
    </message>
</context>
</TS>
