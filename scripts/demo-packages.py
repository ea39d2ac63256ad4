#!/usr/bin/env python3
"""Writes crash packages of made-up consoles into a folder, for demonstrations and screenshots:
python3 demo-packages.py FOLDER [COUNT]. Each is a gzip-compressed GNU tar with a dump and a
report.xml, as the reporter writes them."""
import datetime
import gzip
import io
import random
import sys
import tarfile
from xml.sax.saxutils import escape

COMMENTS = ['Lamp 12 went dark during cue 45', 'Fader wing froze after patch import',
            'DMX output lost on universe 3', 'Crash when saving show file',
            'Touch screen unresponsive, then crash', 'Effect engine hung during chase',
            'Crashed at startup after update']
VERSIONS = (['6.4.1.BETA2', '6.4.0', '6.3.2'], [5, 3, 1])
DEVICES = (['Q5-PC', 'Q5-S30', 'Q5-S50'], [4, 2, 1])


def report(moment, device, serial, version, comments, log):
    entries = ''.join(f'<Entry>{escape(line)}</Entry>' for line in log)
    return (f'<?xml version="1.0" encoding="UTF-8"?>'
            f'<r:CrashReport xmlns:r="q5.varnel.example">'
            f'<Date>{moment:%d/%m/%Y}</Date><Time>{moment:%H:%M:%S}</Time>'
            f'<ApplicationInfo><Device>{device}</Device><Serial>{serial}</Serial>'
            f'<Version>{version}</Version><Platform>Linux</Platform></ApplicationInfo>'
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


def main(folder, count=60):
    chance = random.Random(5)
    start = datetime.datetime(2026, 9, 14)
    for number in range(count):
        moment = start + datetime.timedelta(seconds=chance.randrange(84 * 86400))
        comments = chance.choice(COMMENTS)
        log = ['Show "Arena" loaded', 'DMX lost' if 'DMX' in comments else 'Cue 45 GO']
        xml = report(moment, chance.choices(*DEVICES)[0], f'Q5PC-{chance.randrange(1, 30):04d}',
                     chance.choices(*VERSIONS)[0], comments, log)
        with open(f'{folder}/crash-{number:03d}.cdp', 'wb') as out:
            out.write(package([('controller.dmp', chance.randbytes(4000)), ('report.xml', xml)]))


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 60)
