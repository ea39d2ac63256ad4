#!/usr/bin/env python3
"""Writes crash packages of made-up consoles into a folder, for demonstrations and screenshots:
python3 demo-packages.py FOLDER [COUNT [DAYS [SEED]]]: COUNT packages (60) over the DAYS (84) up to
7 December 2026, made up from SEED (5). Each is a gzip-compressed GNU tar with a minidump and a
report.xml, as the reporter writes them; the dumps crash at a handful of places, so that the
desk groups them. FOLDER/symbols/q5controller.sym names the controller's functions; add it with
q5-crash-inbox symbols add."""
import datetime
import gzip
import io
import os
import random
import struct
import sys
import tarfile
import uuid
from xml.sax.saxutils import escape

COMMENTS = ['Lamp 12 went dark during cue 45', 'Fader wing froze after patch import',
            'DMX output lost on universe 3', 'Crash when saving show file',
            'Touch screen unresponsive, then crash', 'Effect engine hung during chase',
            'Crashed at startup after update']
VERSIONS = (['6.4.1.BETA2', '6.4.0', '6.3.2'], [5, 3, 1])
DEVICES = (['Q5-PC', 'Q5-S30', 'Q5-S50'], [4, 2, 1])

# (path, base, size, PDB, GUID)
MODULES = [
    ('C:\\Program Files\\Varnel\\Q5\\q5controller.exe', 0x7ff64a2c0000, 0x1200000,
     'q5controller.pdb', '5c50ebf9-86fe-20f3-233d-0533694ed5c6'),
    ('C:\\Program Files\\Varnel\\Q5\\Qt6Core.dll', 0x7ffc1b400000, 0x600000, 'Qt6Core.pdb',
     'cc7d70c5-a48d-6d06-df7a-64eca317338e'),
    ('C:\\Windows\\System32\\ucrtbase.dll', 0x7ffc2c100000, 0x100000, 'ucrtbase.pdb',
     '201732c8-0473-0854-6aa5-b81f33df34b2'),
]
# (module, offset, exception code, first parameter, weight): where the made-up crashes happen.
SITES = [(0, 0x1a2b3, 0xc0000005, 0, 6), (0, 0x2f4c1, 0xc0000005, 1, 4),
         (1, 0x11e2f0, 0xc0000005, 0, 3), (0, 0x4e100, 0xc0000094, None, 2),
         (2, 0x7a3c1, 0xc0000409, None, 1)]
SYMBOLS = '''MODULE windows x86_64 5C50EBF986FE20F3233D0533694ED5C61 q5controller.pdb
FILE 0 D:\\src\\lamp\\lamp_driver.cpp
FILE 1 D:\\src\\cue\\cue_engine.cpp
FILE 2 D:\\src\\main.cpp
FUNC 1a200 200 0 LampDriver::update(int)
1a200 80 40 0
1a280 80 42 0
FUNC 2f400 200 8 CueEngine::go()
2f400 100 120 1
2f500 100 121 1
FUNC 4e000 400 0 main
4e000 400 12 2
'''


def mdstring(text):
    data = text.encode('utf-16-le')
    return struct.pack('<I', len(data)) + data + b'\0\0'


def minidump(site, version):
    """A Windows amd64 minidump: system, exception, one thread with its context and stack, and
    the modules with versions and CodeView records."""
    index, offset, code, access, _ = site
    out = bytearray(32 + 12 * 4)

    def put(blob):
        rva = len(out)
        out.extend(blob)
        return rva
    sysinfo = struct.pack('<HHHBBIIIII', 9, 6, 0, 8, 1, 10, 0, 19045, 2, put(mdstring(''))) + \
        bytes(28)
    entries = b''
    for number, (path, base, size, pdb, guid) in enumerate(MODULES):
        name = put(mdstring(path))
        cv = b'RSDS' + uuid.UUID(guid).bytes_le + struct.pack('<I', 1) + pdb.encode() + b'\0'
        cv_rva = put(cv)
        v = version if number == 0 else (10, 0, 19041, 3636)
        fixed = struct.pack('<4I', 0xfeef04bd, 0x10000, v[0] << 16 | v[1], v[2] << 16 | v[3])
        entries += (struct.pack('<QIIII', base, size, 0, 0, name) + fixed + bytes(36) +
                    struct.pack('<II', len(cv), cv_rva) + bytes(24))
    sp = 0xe1c7f3e000
    stack = bytearray(0x200)
    struct.pack_into('<QQ', stack, 0x40, sp + 0x100, MODULES[0][1] + 0x2f4c1)
    struct.pack_into('<QQ', stack, 0x100, 0, MODULES[0][1] + 0x4e1a7)
    context = bytearray(1232)
    struct.pack_into('<I', context, 0x30, 0x0010001f)
    struct.pack_into('<QQ', context, 0x98, sp, sp + 0x40)
    struct.pack_into('<Q', context, 0xf8, MODULES[index][1] + offset)
    context_rva = put(bytes(context))
    stack_rva = put(bytes(stack))
    params = (access, 0x10) if access is not None else ()
    streams = [(7, sysinfo), (4, struct.pack('<I', len(MODULES)) + entries),
               (3, struct.pack('<I', 1) + struct.pack('<IIIIQQIIII', 7, 0, 0, 0, 0, sp,
                                                      len(stack), stack_rva, len(context),
                                                      context_rva)),
               (6, struct.pack('<IIIIQQII', 7, 0, code, 0, 0, MODULES[index][1] + offset,
                               len(params), 0) + b''.join(struct.pack('<Q', p) for p in params) +
                bytes(8 * (15 - len(params))) + struct.pack('<II', len(context), context_rva))]
    for number, (kind, blob) in enumerate(streams):
        struct.pack_into('<III', out, 32 + 12 * number, kind, len(blob), put(blob))
    struct.pack_into('<4sIIIIIQ', out, 0, b'MDMP', 0xa793, len(streams), 32, 0, 0, 0)
    return bytes(out)


def report(moment, device, serial, version, comments, log):
    entries = ''.join(f'<Entry>{escape(line)}</Entry>' for line in log)
    return (f'<?xml version="1.0" encoding="UTF-8"?>'
            f'<r:CrashReport xmlns:r="q5.varnel.example">'
            f'<Date>{moment:%d/%m/%Y}</Date><Time>{moment:%H:%M:%S}</Time>'
            f'<ApplicationInfo><Device>{device}</Device><Serial>{serial}</Serial>'
            f'<Version>{version}</Version><Platform>Windows</Platform></ApplicationInfo>'
            f'<OutputLog>{entries}</OutputLog><Comments>{escape(comments)}</Comments>'
            f'</r:CrashReport>').encode()


def package(entries):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode='w', format=tarfile.GNU_FORMAT) as archive:
        for name, data in entries:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            archive.addfile(info, io.BytesIO(data))
    return gzip.compress(buffer.getvalue())


def main(folder, count=60, days=84, seed=5):
    os.makedirs(os.path.join(folder, 'symbols'), exist_ok=True)
    with open(os.path.join(folder, 'symbols', 'q5controller.sym'), 'w') as symbols:
        symbols.write(SYMBOLS)
    chance = random.Random(seed)
    start = datetime.datetime(2026, 12, 7) - datetime.timedelta(days=days)
    for number in range(count):
        moment = start + datetime.timedelta(seconds=chance.randrange(days * 86400))
        comments = chance.choice(COMMENTS)
        log = ['Show "Arena" loaded', 'DMX lost' if 'DMX' in comments else 'Cue 45 GO']
        version = chance.choices(*VERSIONS)[0]
        numbers = tuple(int(part) for part in version.split('.')[:3]) + (0,)
        site = chance.choices(SITES, [site[4] for site in SITES])[0]
        xml = report(moment, chance.choices(*DEVICES)[0], f'Q5PC-{chance.randrange(1, 30):04d}',
                     version, comments, log)
        with open(os.path.join(folder, f'crash-{number:03d}.cdp'), 'wb') as out:
            out.write(package([('controller.dmp', minidump(site, numbers)), ('report.xml', xml)]))


if __name__ == '__main__':
    main(sys.argv[1], *(int(argument) for argument in sys.argv[2:5]))
