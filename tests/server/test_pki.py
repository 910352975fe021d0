"""A throw-away certificate authority for the loopback release server, made
with openssl at test time: root -> intermediate -> leaf for localhost,
releases.invalid and 127.0.0.1, plus a leaf for another host name and a chain to an unrelated root;
and a code-signing certificate under the root (codesign.pfx, its password in
codesign.pass) for Authenticode-signing stamped downloads.

    python3 -m tests.server.test_pki DIR      (prints DIR)
"""
import os
import subprocess
import sys

LEAF_NAMES = "DNS:localhost,DNS:releases.invalid,IP:127.0.0.1"  # .invalid: reachable only through a test proxy
FILES = ("leaf.names", "root.der", "root.pem", "chain.pem", "leaf.key", "wronghost-chain.pem", "wronghost.key", "rogue-root.pem",
         "rogue-chain.pem", "rogue.key", "codesign.pfx", "codesign.pass")


def _openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _write(path, text):
    with open(path, "w") as f:
        f.write(text)


_CA_EXT = """basicConstraints=critical,CA:TRUE
keyUsage=critical,keyCertSign,cRLSign
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid:always
"""
_LEAF_EXT = """basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid:always
subjectAltName={san}
"""
_CODESIGN_EXT = """basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning
"""


def _root(name, cn, d):
    _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.pem",
             "-days", "30", "-subj", f"/O=Norvane Tests/CN={cn}", "-sha256",
             "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
             cwd=d)


def _signed(name, cn, issuer, ext, d):
    _openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.csr",
             "-subj", f"/O=Norvane Tests/CN={cn}", cwd=d)
    _write(os.path.join(d, f"{name}.ext"), ext)
    _openssl("x509", "-req", "-in", f"{name}.csr", "-CA", f"{issuer}.pem", "-CAkey", f"{issuer}.key",
             "-CAcreateserial", "-out", f"{name}.pem", "-days", "20", "-sha256", "-extfile", f"{name}.ext", cwd=d)


def make(directory):
    """Makes the certificates once per directory; returns the directory."""
    if all(os.path.exists(os.path.join(directory, f)) for f in FILES):
        return directory
    os.makedirs(directory, exist_ok=True)
    d = directory
    _root("root", "Norvane Test Root", d)
    _openssl("x509", "-in", "root.pem", "-outform", "DER", "-out", "root.der", cwd=d)
    _signed("intermediate", "Norvane Test Intermediate", "root", _CA_EXT, d)
    _signed("leaf", "localhost", "intermediate", _LEAF_EXT.format(san=LEAF_NAMES), d)
    _write(os.path.join(d, "leaf.names"), LEAF_NAMES)
    _signed("wronghost", "other.invalid", "intermediate", _LEAF_EXT.format(san="DNS:other.invalid"), d)
    _root("rogue-root", "Norvane Unknown Root", d)
    _signed("rogue", "localhost", "rogue-root", _LEAF_EXT.format(san="DNS:localhost,IP:127.0.0.1"), d)

    def chain(out, *parts):
        _write(os.path.join(d, out), "".join(open(os.path.join(d, p)).read() for p in parts))
    chain("chain.pem", "leaf.pem", "intermediate.pem")
    chain("wronghost-chain.pem", "wronghost.pem", "intermediate.pem")
    chain("rogue-chain.pem", "rogue.pem", "rogue-root.pem")  # the unknown root comes along, as real servers often send it
    _signed("codesign", "Norvane Test Code Signing", "root", _CODESIGN_EXT, d)
    _write(os.path.join(d, "codesign.pass"), "throw-away\n")
    _openssl("pkcs12", "-export", "-out", "codesign.pfx", "-inkey", "codesign.key", "-in", "codesign.pem",
             "-passout", "file:codesign.pass", cwd=d)
    return directory


if __name__ == "__main__":
    print(make(sys.argv[1]))
