"""KeePass databases written by real KeePass libraries: KDBX 4 by pykeepass
(python3-pykeepass), KDBX 3.1 and KDB 1.x by the Perl module File::KeePass
(libfile-keepass-perl). Entries carry random attachments so that the
encrypted body is tens of KiB, as a used password safe is.

KDBX 4 ends at the zero-size HMAC block, so a carver can find its end;
KDBX 3.1 and KDB store no length.
"""

import base64
import hashlib
import os
import subprocess

try:
    import pykeepass
except ImportError:  # python3-pykeepass; KDBX files are then not made
    pykeepass = None

PASSWORD = "bench"

# Writes a database with File::KeePass: ARGV is the version (1 or 2), the
# output path, the random seed and the attachment files, one entry each.
_PERL = r"""
use strict; use File::KeePass;
my ($ver, $out, $seed, @files) = @ARGV;
srand($seed);
my $k = File::KeePass->new;
my $g = $k->add_group({title => 'Cards'});
my $i = 0;
for my $f (@files) {
    open(my $fh, '<:raw', $f) or die "$f: $!"; local $/; my $data = <$fh>; close $fh;
    $i++;
    $k->add_entry({title => "site$i", username => "user$i", password => "pw$i$seed", group => $g,
                   url => "https://site$i.example.org/", comment => "card $i " x 20,
                   binary => {"scan$i.bin" => $data}});
}
$k->unlock;
$k->save_db($out, 'bench', {version => $ver});
"""


def _attachments(rng, folder, tag, total):
    """Files of random bytes summing to about `total` bytes; returns paths."""
    paths = []
    left = total
    while left > 0:
        size = min(left, rng.randrange(2000, 12000))
        p = os.path.join(folder, "%s-att%02d.bin" % (tag, len(paths)))
        open(p, "wb").write(rng.randbytes(size))
        paths.append(p)
        left -= size
    return paths


def file_keepass(rng, out, folder, version, total):
    """A File::KeePass database (version 1: KDB 1.x, 2: KDBX 3.0) with
    about `total` bytes of attachments; raises RuntimeError when perl or
    the module fails."""
    atts = _attachments(rng, folder, os.path.basename(out), total)
    p = subprocess.run(["perl", "-e", _PERL, str(version), out, str(rng.getrandbits(31))] + atts,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if p.returncode != 0:
        raise RuntimeError("File::KeePass failed: %s" % p.stderr.decode(errors="replace")[-300:])


def kdbx31(rng, out, folder, total):
    """KDBX 3.1: File::KeePass writes 3.0 (the same layout); pykeepass sets
    the minor version and, since the XML's HeaderHash covers the outer
    header, the new hash, and writes the file again."""
    file_keepass(rng, out, folder, 2, total)
    db = pykeepass.PyKeePass(out, password=PASSWORD)
    head = bytearray(db.kdbx.header.data)
    head[8:10] = b"\x01\x00"
    db.kdbx.header.data = bytes(head)
    db.tree.find("Meta/HeaderHash").text = base64.b64encode(hashlib.sha256(bytes(head)).digest()).decode()
    db.save(out)


def kdbx4(rng, out, folder, total):
    """KDBX 4 (AES, Argon2) made by pykeepass: a group of entries with
    notes and random attachments."""
    if os.path.exists(out):
        os.unlink(out)
    db = pykeepass.create_database(out, password=PASSWORD)
    group = db.add_group(db.root_group, "Cards")
    for i, path in enumerate(_attachments(rng, folder, os.path.basename(out), total)):
        entry = db.add_entry(group, "site%d" % i, "user%d" % i, "pw%d-%d" % (i, rng.getrandbits(32)),
                             url="https://site%d.example.org/" % i, notes="card %d " % i * 20)
        entry.add_attachment(db.add_binary(open(path, "rb").read()), "scan%d.bin" % i)
    db.save()
