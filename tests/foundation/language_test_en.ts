<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>LanguageTest</name>
    <message>
        <source>Guten Tag</source>
        <translation>Good day</translation>
    </message>
</context>
</TS>
