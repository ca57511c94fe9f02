<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>RichTextBox</name>
    <message>
        <source>Font families</source>
        <translation>Schriftfamilien</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Copy Family Name</source>
        <translation>Familiennamen kopieren</translation>
    </message>
</context>
</TS>
