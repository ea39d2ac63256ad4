#pragma once

// Minidumps and symbol files built by Python's struct from the published layouts, independently
// of the reader. minidump() returns a dump's bytes; `gap` zero bytes lie between the directory
// and the streams (as a full-memory dump's memory may), `tail` more after them; with
// `directory_last` the directory follows the streams instead of the header.
inline constexpr char MinidumpPrelude[] = R"(import struct, uuid
ARCH = {'x86': 0, 'amd64': 9, 'arm64': 12}
PLATFORM = {'windows': 2, 'linux': 0x8201}
CONTEXTS = {
    'amd64': (1232, 0x30, 0x0010001f, 8, dict(rax=0x78, rcx=0x80, rdx=0x88, rbx=0x90, rsp=0x98,
              rbp=0xa0, rsi=0xa8, rdi=0xb0, rip=0xf8,
              **{'r%d' % n: 0xb8 + 8 * (n - 8) for n in range(8, 16)})),
    'x86': (716, 0, 0x0001003f, 4, dict(edi=0x9c, esi=0xa0, ebx=0xa4, edx=0xa8, ecx=0xac,
            eax=0xb0, ebp=0xb4, eip=0xb8, esp=0xc4)),
    'arm64': (912, 0, 0x00400003, 8, dict(sp=0x100, pc=0x108,
              **{'x%d' % n: 8 + 8 * n for n in range(31)})),
}
def context(cpu, regs):
    size, flags_at, flags, width, offsets = CONTEXTS[cpu]
    c = bytearray(size)
    struct.pack_into('<I', c, flags_at, flags)
    for name, value in regs.items():
        struct.pack_into('<Q' if width == 8 else '<I', c, offsets[name], value)
    return bytes(c)
def mdstring(text):
    data = text.encode('utf-16-le')
    return struct.pack('<I', len(data)) + data + b'\0\0'
def rsds(guid, age, pdb):
    return b'RSDS' + uuid.UUID(guid).bytes_le + struct.pack('<I', age) + pdb.encode() + b'\0'
def elf(build_id):
    return b'LEpB' + bytes.fromhex(build_id)
def module(path, base, size, version=None, cv=b''):
    return dict(path=path, base=base, size=size, version=version, cv=cv)
def words(width, values):
    return b''.join(struct.pack('<Q' if width == 8 else '<I', v) for v in values)
def minidump(cpu='amd64', system='windows', version=(10, 0, 19045), service_pack='',
             code=0xc0000005, params=(0, 0x10), address=0, regs={}, modules=(), stack=b'',
             stack_start=0, gap=0, tail=0, thread=7, exception=True, directory_last=False):
    count = 4 if exception else 3
    out = bytearray((32 if directory_last else 32 + 12 * count) + gap)
    def put(blob):
        rva = len(out)
        out.extend(blob)
        return rva
    sysinfo = struct.pack('<HHHBBIIIII', ARCH[cpu], 6, 0, 4, 1, *version, PLATFORM[system],
                          put(mdstring(service_pack))) + bytes(28)
    entries = b''
    for m in modules:
        name = put(mdstring(m['path']))
        cv = (len(m['cv']), put(m['cv'])) if m['cv'] else (0, 0)
        v = m['version']
        fixed = (struct.pack('<4I', 0xfeef04bd, 0x10000, v[0] << 16 | v[1], v[2] << 16 | v[3])
                 + bytes(36)) if v else bytes(52)
        entries += (struct.pack('<QIIII', m['base'], m['size'], 0, 0, name) + fixed
                    + struct.pack('<II', *cv) + bytes(24))
    ctx = context(cpu, regs)
    ctx_rva = put(ctx)
    stack_rva = put(stack)
    streams = [(7, sysinfo), (4, struct.pack('<I', len(modules)) + entries),
               (3, struct.pack('<I', 1) + struct.pack('<IIIIQQIIII', thread, 0, 0, 0, 0,
                   stack_start, len(stack), stack_rva, len(ctx), ctx_rva))]
    if exception:
        streams.append((6, struct.pack('<IIIIQQII', thread, 0, code, 0, 0, address, len(params),
                        0) + words(8, params) + bytes(8 * (15 - len(params)))
                        + struct.pack('<II', len(ctx), ctx_rva)))
    entries = b''.join(struct.pack('<III', kind, len(blob), put(blob)) for kind, blob in streams)
    directory = put(entries) if directory_last else 32
    out[directory:directory + len(entries)] = entries
    struct.pack_into('<4sIIIIIQ', out, 0, b'MDMP', 0xa793, count, directory, 0, 0, 0)
    out.extend(bytes(tail))
    return bytes(out)
# The directory entry of a stream type: its (size, rva) place in the bytes, for tests to spoil.
def directory_entry(dump, kind):
    count, = struct.unpack_from('<I', dump, 8)
    for index in range(count):
        if struct.unpack_from('<I', dump, 32 + 12 * index)[0] == kind:
            return 32 + 12 * index + 4
Q5 = 0x7ff64a2c0000
Q5_ID = '12345678-9abc-def0-1122-334455667788'
def q5(version=(6, 4, 0, 17)):
    return module('C:\\Program Files\\Varnel\\q5controller.exe', Q5, 0x200000, version,
                  rsds(Q5_ID, 2, 'D:\\build\\q5controller.pdb'))
QTCORE = module('C:\\Program Files\\Varnel\\Qt6Core.dll', 0x7ffc1b400000, 0x600000,
                (6, 8, 0, 0), rsds('00112233-4455-6677-8899-aabbccddeeff', 1, 'Qt6Core.pdb'))
)";
