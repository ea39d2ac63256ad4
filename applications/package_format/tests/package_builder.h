#pragma once

#include <QProcess>
#include <QString>

// Packages are built by Python's tarfile and gzip, independently of the code under test. The
// expression `out` gives the file's bytes; tar() takes (name, data, type, link) tuples.
inline constexpr char Prelude[] = R"(import gzip, io, sys, tarfile
REPORT = (b'<?xml version="1.0"?><r:CrashReport xmlns:r="q5.varnel.example">'
          b'<Date>05/12/2026</Date><Time>20:53:47</Time><ApplicationInfo><Device>Q5-PC</Device>'
          b'<Serial>SN-1</Serial><Version>6.4.0</Version><Platform>Linux</Platform>'
          b'</ApplicationInfo><OutputLog><Entry>DMX lost</Entry></OutputLog>'
          b'<Comments>ok</Comments></r:CrashReport>')
def tar(entries):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode='w', format=tarfile.GNU_FORMAT) as archive:
        for name, data, kind, link in entries:
            info = tarfile.TarInfo(name)
            info.type, info.linkname = kind, link
            info.size = len(data) if kind == tarfile.REGTYPE else 0
            archive.addfile(info, io.BytesIO(data) if kind == tarfile.REGTYPE else None)
    return buffer.getvalue()
def file(name, data=b'x'):
    return (name, data, tarfile.REGTYPE, '')
import random
GOOD = tar([file('c.dmp', random.Random(1).randbytes(20000)), file('report.xml', REPORT)])
def package(comments='ok', serial='SN-1', dump=b'dump', date='05/12/2026', time='20:53:47',
            device='Q5-PC', version='6.4.0', log='DMX lost'):
    report = REPORT.replace(b'<Comments>ok', b'<Comments>' + comments.encode())
    report = report.replace(b'SN-1', serial.encode()).replace(b'05/12/2026', date.encode())
    report = report.replace(b'20:53:47', time.encode()).replace(b'Q5-PC', device.encode())
    report = report.replace(b'6.4.0', version.encode()).replace(b'DMX lost', log.encode())
    return gzip.compress(tar([file('c.dmp', dump), file('report.xml', report)]), mtime=0)
)";

// Runs the program after the prelude with `output` as its argument; Python's complaint, if any.
inline QByteArray buildWithPython(const QString& program, const QString& output)
{
    QProcess process;
    process.start("python3", {"-c", QString::fromLatin1(Prelude) + program, output});
    process.waitForFinished(120000);
    return process.exitCode() == 0 ? QByteArray() : process.readAllStandardError();
}
