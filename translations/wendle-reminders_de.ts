<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>wendle::DesktopNotifications</name>
    <message>
        <source>Open Wendle</source>
        <translation>Wendle öffnen</translation>
    </message>
</context>
</TS>
