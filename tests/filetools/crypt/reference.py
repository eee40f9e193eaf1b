#!/usr/bin/env python3
"""An independent implementation of the ".crypted" format, for the tests.

Blowfish comes from OpenSSL's libcrypto through ctypes (EVP, the legacy
provider, key length 20, no padding); SHA-1 and MD5 from hashlib. Writes
plain files and the expected encrypted files into the folder given, after
checking itself against known vectors.

    reference.py OUTDIR
"""
import ctypes
import ctypes.util
import hashlib
import os
import sys

PASSWORDS = ["test", "pässwörd", "pw065798", "Sixteen-Chars-16"]
SIZES = list(range(1, 18)) + [43, 524287, 524288, 524289, 1048589]

lib = ctypes.CDLL(ctypes.util.find_library("crypto") or "libcrypto.so.3")
lib.OSSL_PROVIDER_load.restype = ctypes.c_void_p
lib.OSSL_PROVIDER_load.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
lib.EVP_CIPHER_fetch.restype = ctypes.c_void_p
lib.EVP_CIPHER_fetch.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p]
lib.EVP_CIPHER_CTX_new.restype = ctypes.c_void_p
lib.EVP_CIPHER_CTX_free.argtypes = [ctypes.c_void_p]
lib.EVP_EncryptInit_ex.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                                   ctypes.c_char_p, ctypes.c_char_p]
lib.EVP_CIPHER_CTX_set_key_length.argtypes = [ctypes.c_void_p, ctypes.c_int]
lib.EVP_CIPHER_CTX_set_padding.argtypes = [ctypes.c_void_p, ctypes.c_int]
lib.EVP_EncryptUpdate.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int),
                                  ctypes.c_char_p, ctypes.c_int]

for provider in (b"legacy", b"default"):
    if not lib.OSSL_PROVIDER_load(None, provider):
        sys.exit("reference: OpenSSL provider %s is missing" % provider.decode())


def blowfish(mode, key, iv, data):
    cipher = lib.EVP_CIPHER_fetch(None, mode, None)
    if not cipher:
        sys.exit("reference: no %s in OpenSSL" % mode.decode())
    ctx = lib.EVP_CIPHER_CTX_new()
    try:
        ok = lib.EVP_EncryptInit_ex(ctx, cipher, None, None, None)
        ok = ok and lib.EVP_CIPHER_CTX_set_key_length(ctx, len(key))
        ok = ok and lib.EVP_EncryptInit_ex(ctx, None, None, key, iv)
        ok = ok and lib.EVP_CIPHER_CTX_set_padding(ctx, 0)
        out = ctypes.create_string_buffer(len(data) + 16)
        n = ctypes.c_int(0)
        ok = ok and lib.EVP_EncryptUpdate(ctx, out, ctypes.byref(n), data, len(data))
        if not ok or n.value != len(data):
            sys.exit("reference: OpenSSL refused %s" % mode.decode())
        return out.raw[:n.value]
    finally:
        lib.EVP_CIPHER_CTX_free(ctx)


def encrypt(password, plain):
    key = hashlib.sha1(password.encode("cp1252")).digest()
    iv = blowfish(b"BF-ECB", key, None, bytes(8))
    whole = len(plain) & ~7
    body = blowfish(b"BF-CBC", key, iv, plain[:whole]) if whole else b""
    stream = blowfish(b"BF-ECB", key, None, body[-8:] if whole else iv)
    tail = bytes(a ^ b for a, b in zip(plain[whole:], stream))
    return hashlib.md5(plain).hexdigest().upper().encode("ascii") + body + tail


def pattern(size):
    return bytes((7 * i + 3) % 256 for i in range(size))


def self_check():
    head = bytes.fromhex("8B1A9953C4611296A827ABF8C47804D7")
    vectors = [
        ("test", b"Hello", b"8B1A9953C4611296A827ABF8C47804D7" + bytes.fromhex("31370E9C3E")),
        ("test", b"ABCDEFGH", b"4783E784B4FA2FBA9E4D6502DBC64F8F" + bytes.fromhex("63CD4476F8904FEA")),
        ("pässwörd", b"Hello", b"8B1A9953C4611296A827ABF8C47804D7" + bytes.fromhex("49DC317528")),
        ("pw065798", b"Hello", b"8B1A9953C4611296A827ABF8C47804D7" + bytes.fromhex("0F9DE271D8")),
    ]
    assert head == hashlib.md5(b"Hello").digest()
    for password, plain, expected in vectors:
        if encrypt(password, plain) != expected:
            sys.exit("reference: self-check failed for %r" % password)
    big = hashlib.md5(encrypt("test", pattern(1048589))).hexdigest().upper()
    if big != "DFB7BFB884D104747BABFC3DF2A8AF1E":
        sys.exit("reference: self-check failed for the 1,048,589-byte file")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    self_check()
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        plain = pattern(size)
        with open(os.path.join(out, "plain_%d.bin" % size), "wb") as f:
            f.write(plain)
        for k, password in enumerate(PASSWORDS):
            with open(os.path.join(out, "pw%d_%d.bin.crypted" % (k, size)), "wb") as f:
                f.write(encrypt(password, plain))


if __name__ == "__main__":
    main()
