#!/usr/bin/python3
# A user of the machine, doing to the crash channel's System V objects what Qt's QSharedMemory
# would, with the names Qt derives from the key in the shared temporary folder:
#   lock FOLDER KEY                  a lock (semaphore) of the key, open to all (0666), held
#   record FOLDER KEY HEX MODE LOCK  a block holding the bytes and its lock, both of the mode
#                                    (octal), the lock "held" or "free"
#   remove FOLDER KEY                removes both, and their key files
import ctypes
import hashlib
import os
import sys

IPC_CREAT, IPC_RMID, SETVAL = 0o1000, 0, 16
libc = ctypes.CDLL(None, use_errno=True)
libc.ftok.argtypes = [ctypes.c_char_p, ctypes.c_int]
libc.shmat.restype = ctypes.c_void_p
libc.shmat.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_int]


def key_file(folder, key, prefix):
    letters = ''.join(c for c in key if c.isascii() and c.isalpha())
    path = os.path.join(folder, prefix + letters + hashlib.sha1(key.encode()).hexdigest())
    if not os.path.exists(path):
        os.close(os.open(path, os.O_CREAT | os.O_WRONLY, 0o666))
    return path


def ipc_key(path):
    key = libc.ftok(path.encode(), ord('Q'))
    if key == -1:
        raise OSError(ctypes.get_errno(), 'ftok')
    return key


def checked(result, what):
    if result == -1:
        raise OSError(ctypes.get_errno(), what)
    return result


def lock(folder, key, value, mode=0o666):
    semaphore = checked(libc.semget(ipc_key(key_file(folder, key, 'qipc_systemsem_')), 1,
                                    IPC_CREAT | mode), 'semget')
    checked(libc.semctl(semaphore, 0, SETVAL, ctypes.c_int(value)), 'semctl')


def record(folder, key, data, mode, value):
    segment = checked(libc.shmget(ipc_key(key_file(folder, key, 'qipc_sharedmemory_')),
                                  len(data), IPC_CREAT | mode), 'shmget')
    address = libc.shmat(segment, None, 0)
    ctypes.memmove(address, data, len(data))
    lock(folder, key, value, mode)


def remove(folder, key):
    for prefix, get, control in (('qipc_systemsem_', lambda k: libc.semget(k, 1, 0),
                                  lambda i: libc.semctl(i, 0, IPC_RMID)),
                                 ('qipc_sharedmemory_', lambda k: libc.shmget(k, 0, 0),
                                  lambda i: libc.shmctl(i, IPC_RMID, None))):
        path = key_file(folder, key, prefix)
        identifier = get(ipc_key(path))
        if identifier != -1:
            control(identifier)
        os.remove(path)


if __name__ == '__main__':
    action, folder, key = sys.argv[1:4]
    if action == 'lock':
        lock(folder, key, 0)
    elif action == 'record':
        record(folder, key, bytes.fromhex(sys.argv[4]), int(sys.argv[5], 8),
               0 if sys.argv[6] == 'held' else 1)
    else:
        remove(folder, key)
