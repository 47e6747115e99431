#!/usr/bin/env python3
"""Compares what the tool saw in the test's guest with smartctl and nvme-cli.

  compare.py OUT_DIR EXPECTED_JSON

OUT_DIR holds the guest's outputs (tests/vm/guest_init.sh); EXPECTED_JSON
lists the disks the host attached ({"disks": [{"serial", "kind": sata|nvme|usb,
"nsid" for NVMe namespaces}], "ext4FileMd5"}). Prints one row per drive and
check (tool value, reference value, OK/DIFF) and exits with 1 on any
difference, 2 when the outputs are unusable. Besides what the tool reads, the
rows cover what the destructive commands did to the disks: refusals on a
mounted disk, the refused erase of an unidentified namespace and the tool's
Format NVM of one namespace of three, a clone onto 4096-byte sectors.
"""
import glob
import json
import os
import re
import sys

# Bus types the tool's enumeration reports (STORAGE_BUS_TYPE).
BUS_USB, BUS_SATA, BUS_NVME = 7, 11, 17
ATTACHMENT = {"sata": "ata", "nvme": "nvme"}
# NVMe SMART / Health fields that do not move while the guest runs.
NVME_SMART_FIELDS = ["critical_warning", "temperature", "avail_spare", "spare_thresh",
                     "percent_used", "power_cycles", "power_on_hours", "unsafe_shutdowns",
                     "media_errors", "num_err_log_entries"]


class Table:
    def __init__(self):
        self.rows = []

    def check(self, drive, what, tool, ref, ok=None):
        if ok is None:
            ok = tool == ref
        self.rows.append((drive, what, show(tool), show(ref), "OK" if ok else "DIFF"))

    def diffs(self):
        return sum(1 for r in self.rows if r[4] == "DIFF")

    def print(self):
        head = ("drive", "check", "tool", "reference", "result")
        widths = [max(len(str(r[i])) for r in self.rows + [head]) for i in range(5)]
        widths = [min(w, 44) for w in widths]
        line = "  ".join("%-*s" % (widths[i], head[i]) for i in range(5))
        print(line)
        print("-" * len(line))
        for r in self.rows:
            cells = [str(c) if len(str(c)) <= widths[i] else str(c)[: widths[i] - 3] + "..."
                     for i, c in enumerate(r)]
            print("  ".join("%-*s" % (widths[i], cells[i]) for i in range(5)))


def show(v):
    if v is None:
        return "-"
    if isinstance(v, bool):
        return "yes" if v else "no"
    return str(v)


def load_json(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def read_text(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def sysfs_disks(out):
    disks = {}
    for path in glob.glob(os.path.join(out, "sysfs_*.txt")):
        name = os.path.basename(path)[6:-4]
        if name == "nvme":
            continue
        fields = {}
        for line in read_text(path).splitlines():
            k, _, v = line.partition("=")
            fields[k] = v.strip()
        disks[name] = fields
    return disks


def drive_numbers(names):
    """The backend's physical drive numbers: SCSI disks by name, then NVMe namespaces."""
    scsi = sorted((n for n in names if n.startswith("sd")), key=lambda n: (len(n), n))
    nvme = sorted((n for n in names if n.startswith("nvme")), key=lambda n: (len(n), n))
    return {n: i for i, n in enumerate(scsi + nvme)}


def bus_of(sysfs_path):
    if "/usb" in sysfs_path:
        return BUS_USB
    if "/ata" in sysfs_path:
        return BUS_SATA
    if "/nvme" in sysfs_path:
        return BUS_NVME
    return 0


def trace_bus_types(trace):
    return {int(m.group(1)): int(m.group(2)) for m in
            re.finditer(r"Initialize: devOrder = (\d+), devUseBusType = (\d+)", trace)}


def nvme_status(text):
    """(SCT << 8 | SC) of the status nvme-cli printed, or None when it reported success."""
    m = re.search(r"\(0x([0-9a-fA-F]+)\)", text)
    if not m:
        return None
    v = int(m.group(1), 16)
    return ((v >> 8) & 0x7) << 8 | (v & 0xFF)


def nvme_status_field(text):
    """The whole status field nvme-cli printed (DNR and More included), or None."""
    m = re.search(r"\(0x([0-9a-fA-F]+)\)", text)
    return int(m.group(1), 16) & 0x7FFF if m else None


def status_text(ok, status):
    if ok:
        return "done"
    return "failed" if status is None else "failed, status 0x%03X" % status


def read_fields(path):
    """KEY=VALUE lines of a guest's record file (later lines win)."""
    fields = {}
    for line in read_text(path).splitlines():
        k, sep, v = line.partition("=")
        if sep:
            fields[k.strip()] = v.strip()
    return fields


def read_rc(out, name):
    rc = read_text(os.path.join(out, name + ".rc")).strip()
    return int(rc) if rc.lstrip("-").isdigit() else None


def drive_number(name):
    m = re.search(r"PHYSICALDRIVE(\d+)$", name or "", re.IGNORECASE)
    return int(m.group(1)) if m else None


def command_result(out, name):
    """(exit code, JSON document or {}, everything it said) of a tool run in the guest."""
    rc = read_rc(out, name)
    doc = load_json(os.path.join(out, name + ".out")) or {}
    said = read_text(os.path.join(out, name + ".out")) + "\n" + \
        read_text(os.path.join(out, name + ".err"))
    return rc, doc, said


def in_use_reason(said):
    """The first line that says why a disk was refused as in use, or None."""
    for line in said.splitlines():
        low = line.lower()
        if "mounted" in low or "in use" in low:
            return line.strip().strip('",')
    return None


def erase_row(doc):
    d = (doc.get("drives") or [{}])[0]
    return d.get("outcome"), d.get("result")


def tool_raw(cell):
    # The SMART page shows the six raw bytes most significant first.
    return int(cell.replace(" ", ""), 16) if cell.strip() else None


def tool_byte(cell):
    m = re.match(r"0x([0-9A-Fa-f]+)", cell)
    return int(m.group(1), 16) if m else None


def destructive_checks(t, out, sysfs, expected, controllers):
    """What the destructive commands did, read from the disks themselves in the guest."""
    # A mounted disk: erase and clone onto it are refused, naming the mount;
    # its file reads back the same after a fresh mount.
    ext4 = read_fields(os.path.join(out, "ext4.txt"))
    drive = "VMSATA0003 (%s, mounted)" % ext4.get("dev", "?")
    t.check(drive, "ext4 mounted in the guest (set-up)", "exit %s" % ext4.get("mount_rc", "?"),
            "exit 0", ok=ext4.get("mount_rc") == "0")
    for name, what in (("inuse_erase", "erase while mounted"),
                       ("inuse_clone", "clone onto it while mounted")):
        rc, doc, said = command_result(out, name)
        reason = in_use_reason(said)
        if name == "inuse_erase":
            outcome, result = erase_row(doc)
        else:
            outcome, result = doc.get("outcome"), doc.get("result")
        t.check(drive, what, "exit %s, %s: %s" % (rc, outcome, reason or result),
                "refused, says in use/mounted", ok=rc not in (None, 0) and reason is not None)
    before, after = ext4.get("before"), ext4.get("after")
    host = expected.get("ext4FileMd5")
    t.check(drive, "its file after a fresh mount",
            "remount exit %s, md5 %s" % (ext4.get("remount_rc", "?"),
                                         "as before" if after and after == before else after),
            "md5 as written", ok=ext4.get("remount_rc") == "0" and bool(before) and
            before == after == host)

    # Three namespaces of one controller: the tool erases namespace 2.
    ns = read_fields(os.path.join(out, "ns.txt"))
    devs = {n: ns.get("ns%d" % n, "?") for n in (1, 2, 3)}
    drive = "VMNVMEMNS1 (%s)" % ", ".join(devs[n] for n in (1, 2, 3))
    written = all(ns.get("written%d" % n) and ns.get("written%d" % n) == ns.get("pattern%d" % n)
                  for n in (1, 2, 3))
    t.check(drive, "random bytes written (set-up)", written, True)

    def state(n, key):
        v = ns.get("%s%d" % (key, n))
        if not v:
            return "not read"
        if v == ns.get("zero%d" % n):
            return "zeroed"
        if v == ns.get("pattern%d" % n):
            return "unchanged"
        return "changed"

    ctrl = next((c for c in controllers.get("VMNVMEMNS1", [])), None)
    fna = ctrl[1].get("fna") if ctrl else None
    # nvme-cli's Format NVM of namespace 3: what this controller does to the
    # namespace formatted and to its neighbours (FNA 0: each namespace alone).
    ref_ok = ns.get("ref_format_rc") == "0"
    ref_state = state(3, "ref")
    t.check(drive, "reference: nvme-cli formats ns3 (FNA %s)" % fna,
            "exit %s; ns3 %s, ns1 %s, ns2 %s" % (ns.get("ref_format_rc", "?"), ref_state,
                                                 state(1, "ref"), state(2, "ref")),
            "ns3 formatted alone",
            ok=ref_ok and ref_state != "unchanged" and state(1, "ref") == "unchanged" and
            state(2, "ref") == "unchanged")
    # The tool's erase of namespace 2: QEMU's controller is not identified as
    # a drive of the tool's, so the erase is refused before anything is sent.
    rc, doc, said = command_result(out, "ns_erase")
    last = said.strip().splitlines()[-1] if said.strip() else "nothing"
    t.check(drive, "erase of ns2 (%s, not identified)" % ns.get("ns2_name", "?"),
            "exit %s: %s" % (rc, last), "exit 3, not identified",
            ok=rc == 3 and "not identified" in said)

    def unchanged_since(key, since):
        """Each namespace's bytes against an earlier reading: the same, or what changed."""
        got = []
        for n in (1, 2, 3):
            now, then = ns.get("%s%d" % (key, n)), ns.get("%s%d" % (since, n))
            got.append("ns%d %s" % (n, "same" if now and now == then else
                                    state(n, key) if now else "not read"))
        return ", ".join(got)

    want_same = "ns1 same, ns2 same, ns3 same"
    t.check(drive, "ns1..ns3 after the refused erase", unchanged_since("after", "ref"), want_same)

    # The erase's own Format NVM image through the tool's device layer
    # (the probe), to ns2's disk: first naming namespace 1, which the backend
    # must refuse without sending; then the namespace the device layer learns
    # from the disk's SCSI address, which must be ns2's own.
    other = load_json(os.path.join(out, "ns_format_other.out")) or {}
    fmt = load_json(os.path.join(out, "ns_format.out")) or {}
    t.check(drive, "Format NVM image naming ns1, sent to ns2's disk",
            "sent nsid %s: %s" % (other.get("sentNsid"),
                                  status_text((other.get("formatNvm") or {}).get("ok"), None)
                                  if other else "no output"),
            "sent nsid 1: failed",
            ok=other.get("sentNsid") == 1 and (other.get("formatNvm") or {}).get("ok") is False)
    t.check(drive, "ns1..ns3 after the Format naming ns1", unchanged_since("other", "after"),
            want_same)
    ns2_dev = ns.get("ns2", "")
    sys_nsid = sysfs.get(ns2_dev, {}).get("nsid")
    t.check(drive, "namespace id learned from ns2's SCSI address",
            fmt.get("learnedNsid") if fmt.get("addressKnown") else "address unknown",
            int(sys_nsid) if sys_nsid and sys_nsid.isdigit() else "sysfs nsid of %s" % ns2_dev)
    fok = (fmt.get("formatNvm") or {}).get("ok")
    t.check(drive, "Format NVM of ns2 through the device layer",
            "sent nsid %s: %s" % (fmt.get("sentNsid"), status_text(fok, fmt.get("status")))
            if fmt else "no output (exit %s)" % read_rc(out, "ns_format"),
            "sent nsid %s: done" % sys_nsid, ok=fok is True and str(fmt.get("sentNsid")) ==
            sys_nsid)
    t.check(drive, "ns2 after its Format NVM", state(2, "format"),
            ref_state if ref_ok else "as nvme-cli's format leaves ns3")
    t.check(drive, "ns1 after the Format NVM of ns2", state(1, "format"), "unchanged")
    t.check(drive, "ns3 after the Format NVM of ns2",
            "unchanged" if ns.get("format3") and ns.get("format3") == ns.get("ref3") else
            state(3, "format"), "unchanged")

    # A clone onto a namespace of 4096-byte sectors: the copied range reads
    # back as the source, or the clone was refused before it wrote anything.
    c = read_fields(os.path.join(out, "clone4k.txt"))
    drive = "VMNVME4K01 (%s)" % c.get("dev", "?")
    t.check(drive, "logical block size (set-up)", c.get("logical_block_size"), "4096")
    rc, doc, said = command_result(out, "clone4k")
    code, outcome = doc.get("resultCode"), doc.get("outcome")
    result = doc.get("result") or (said.strip().splitlines() or ["nothing"])[-1]
    copied = rc == 0 and outcome == "passed"
    refused = rc not in (None, 0) and code == 1
    t.check(drive, "clone from VMNVMEMNS1 ns1 onto it",
            "exit %s, code %s, %s: %s" % (rc, code, outcome, result),
            "passed, or refused (code 1)", ok=copied or refused)
    identical = c.get("cmp_rc") == "0" and c.get("copy_md5") == c.get("source_before")
    unchanged = (bool(c.get("range_before")) and c.get("range_after") == c.get("range_before")
                 and c.get("last_after") == c.get("last_before"))
    if identical:
        media = "copied range identical to the source"
    elif unchanged:
        media = "unchanged"
    else:
        cmp_said = read_text(os.path.join(out, "clone4k_cmp.txt")).strip()
        media = "changed: %s%s" % (
            "first MiBs differ from before" if c.get("range_after") != c.get("range_before")
            else "", "; last MiB differs from before" if c.get("last_after") !=
            c.get("last_before") else "")
        if cmp_said:
            media += "; cmp: " + cmp_said.splitlines()[0]
    t.check(drive, "destination after the clone", media,
            "identical to the source" if copied else "unchanged",
            ok=(copied and identical) or (refused and unchanged))
    t.check(drive, "clone source after the clone",
            "unchanged" if c.get("source_before") and
            c.get("source_after") == c.get("source_before") else "changed", "unchanged")


def main():
    out, expected_path = sys.argv[1], sys.argv[2]
    expected_doc = load_json(expected_path)
    expected = expected_doc.get("disks") if isinstance(expected_doc, dict) else expected_doc
    list_all = load_json(os.path.join(out, "list_all.out"))
    identified = load_json(os.path.join(out, "list.out"))
    probe = load_json(os.path.join(out, "probe.out"))
    if expected is None or list_all is None or probe is None:
        print("compare: the guest's outputs are missing or unreadable (list_all.out, probe.out)")
        return 2
    identified = identified or {"drives": []}
    t = Table()

    sysfs = sysfs_disks(out)
    numbers = drive_numbers(sysfs)
    bus_types = trace_bus_types(read_text(os.path.join(out, "list_all.err")))
    probe_by_order = {d["devOrder"]: d for d in probe["disks"]}

    # References by serial: the disk's kernel name and what smartctl / nvme-cli say.
    refs = {}
    for name in sysfs:
        if not name.startswith("sd"):
            continue
        sat = load_json(os.path.join(out, "smartctl_sat_%s.json" % name)) or {}
        auto = load_json(os.path.join(out, "smartctl_%s.json" % name)) or {}
        scsi = load_json(os.path.join(out, "smartctl_scsi_%s.json" % name)) or {}
        has_sat = bool(sat.get("model_name"))
        main_ref = auto if has_sat else scsi
        serial = (main_ref.get("serial_number") or "").strip()
        refs[serial] = {"dev": name, "sat": has_sat, "smartctl": main_ref}
    controllers = {}
    for path in glob.glob(os.path.join(out, "nvme_idctrl_*.json")):
        c = os.path.basename(path)[len("nvme_idctrl_"):-5]
        idc = load_json(path)
        if idc:
            controllers.setdefault(idc["sn"].strip(), []).append((c, idc))
    # NVMe namespaces by serial and namespace id: a controller's namespaces share its serial.
    for entry in (load_json(os.path.join(out, "nvme_list.json")) or {}).get("Devices", []):
        name = os.path.basename(entry["DevicePath"])
        serial = entry["SerialNumber"].strip()
        nsid = int(sysfs.get(name, {}).get("nsid") or entry.get("NameSpace") or 1)
        idns = load_json(os.path.join(out, "nvme_idns_%s.json" % name)) or {}
        refs[(serial, nsid)] = {"dev": name, "idns": idns,
                                "controllers": sorted(controllers.get(serial, []))}
    shared_serials = {d["serial"] for d in expected
                      if sum(1 for e in expected if e["serial"] == d["serial"]) > 1}

    expected_listed = 0
    hubs = []
    for disk in expected:
        serial, kind = disk["serial"], disk["kind"]
        ref = refs.get((serial, disk.get("nsid", 1)) if kind == "nvme" else serial)
        drive = serial
        if ref is None:
            t.check(drive, "seen by the kernel", "-", "a disk with this serial", ok=False)
            continue
        dev = ref["dev"]
        drive = "%s (%s)" % (serial, dev)
        number = numbers.get(dev)
        listed_ref = 0 if kind == "usb" and not ref.get("sat") else 1
        expected_listed += listed_ref
        entries = [d for d in list_all["drives"] if d["serial"].strip() == serial]
        if serial in shared_serials:
            # One of several namespaces: the entry whose drive number is this one's.
            entries = [d for d in entries if drive_number(d.get("name")) == number]
        t.check(drive, "listed (list --all)", len(entries), listed_ref)
        ref_bus = bus_of(sysfs[dev].get("path", ""))
        t.check(drive, "bus type (trace)", bus_types.get(number), ref_bus)
        p = probe_by_order.get(number, {})

        if kind in ("sata", "nvme") and entries:
            d = entries[0]
            t.check(drive, "attachment", d["attachment"], ATTACHMENT[kind])
        if kind == "sata" and entries:
            sm = ref["smartctl"]
            d = entries[0]
            t.check(drive, "model", d["model"], sm.get("model_name"))
            t.check(drive, "serial", d["serial"], sm.get("serial_number"))
            t.check(drive, "firmware", d["firmware"], sm.get("firmware_version"))
            t.check(drive, "capacity, bytes", d["capacityBytes"],
                    (sm.get("user_capacity") or {}).get("bytes"))
            rows_of = {}
            idx = next((x["index"] for x in identified["drives"]
                        if x["serial"].strip() == serial), None)
            t.check(drive, "identified by its profile", idx is not None, True)
            if idx is not None:
                info = load_json(os.path.join(out, "info_%d.out" % idx)) or {}
                word217 = next((tool_byte(r[1]) for r in info.get("rows", [])
                                if r[0].startswith("Nominal media rotation rate")), None)
                rr = sm.get("rotation_rate")
                t.check(drive, "rotation rate (word 217)", word217,
                        1 if rr == 0 else (rr or 0))
                smart = load_json(os.path.join(out, "smart_%d.out" % idx)) or {}
                t.check(drive, "SMART page", smart.get("status"), "Read SMART data successful")
                for r in smart.get("rows", []):
                    rows_of[int(r[0][:2], 16)] = r
                for a in (sm.get("ata_smart_attributes") or {}).get("table", []):
                    r = rows_of.get(a["id"])
                    tool = None if r is None else "%s/%s/%s" % (
                        tool_byte(r[1]), tool_byte(r[2]), tool_raw(r[3]))
                    t.check(drive, "SMART %02X value/worst/raw" % a["id"], tool,
                            "%d/%d/%d" % (a["value"], a["worst"], a["raw"]["value"]))
                erase = load_json(os.path.join(out, "erase_%d.out" % idx)) or {}
                er = (erase.get("drives") or [{}])[0]
                t.check(drive, "erase (ATA security, refused)",
                        "%s: %s" % (er.get("outcome"), er.get("result")), "failed",
                        ok=er.get("outcome") == "failed")
            # Single commands through the tool's device objects; QEMU's disk
            # aborts the last three.
            for key, what, want in (("identify", "IDENTIFY DEVICE", True),
                                    ("smartReadData", "SMART READ DATA", True),
                                    ("downloadMicrocode", "DOWNLOAD MICROCODE (refused)", False),
                                    ("securityErasePrepare", "SECURITY ERASE PREPARE (refused)",
                                     False),
                                    ("readLogExt", "READ LOG EXT (refused)", False)):
                got = p.get(key, {}).get("ok")
                t.check(drive, what, None if got is None else status_text(got, None),
                        status_text(want, None))

        if kind == "nvme" and entries:
            d = entries[0]
            ctrl = ref["controllers"][0][1] if ref["controllers"] else {}
            t.check(drive, "model", d["model"], ctrl.get("mn", "").strip())
            t.check(drive, "serial", d["serial"], ctrl.get("sn", "").strip())
            t.check(drive, "firmware", d["firmware"], ctrl.get("fr", "").strip())
            ns = ref["idns"]
            cap = None
            if ns:
                fmt = ns["flbas"] & 0xF
                cap = ns["nsze"] * (1 << ns["lbafs"][fmt]["ds"])
            t.check(drive, "capacity, bytes", d["capacityBytes"], cap)
            cname = ref["controllers"][0][0] if ref["controllers"] else ""
            log = load_json(os.path.join(out, "nvme_smart_%s.json" % cname)) or {}
            psmart = p.get("smart", {})
            for f in NVME_SMART_FIELDS:
                ref_v = log.get(f)
                t.check(drive, "SMART " + f, psmart.get(f),
                        None if ref_v is None else int(ref_v))
            # The firmware requests of the inbox path carry no completion (an
            # error code only), so there the failure is what counts; the
            # protocol-command request (vendor commands) carries the
            # controller's status.
            for key, what, ref_file, with_status in (
                    ("firmwareDownload", "Firmware Download (refused)", "nvme_fwdl_%s.txt",
                     False),
                    ("firmwareCommit", "Firmware Commit (refused)", "nvme_fwcommit_%s.txt",
                     False),
                    ("vendorAdmin", "vendor admin command C0h (refused)",
                     "nvme_vendor_%s.txt", True)):
                got = p.get(key, {}).get("ok")
                status = p.get(key + "Status")
                ref_status = nvme_status(read_text(os.path.join(out, ref_file % cname)))
                if with_status:
                    t.check(drive, what,
                            None if got is None else status_text(got, None if got else status),
                            status_text(ref_status is None, ref_status))
                    # The whole status, Do Not Retry and More included.
                    field = p.get(key + "StatusField")
                    ref_field = nvme_status_field(read_text(os.path.join(out, ref_file % cname)))
                    t.check(drive, what + ", status field",
                            None if field is None else "0x%04X" % field,
                            "0x%04X" % (ref_field or 0))
                else:
                    t.check(drive, what,
                            None if got is None else status_text(got, None),
                            status_text(ref_status is None, None))

        if kind == "usb":
            ref_sat = ref.get("sat")
            sm = ref["smartctl"]
            got = p.get("satIdentify", {}).get("ok") if not entries else True
            t.check(drive, "ATA pass-through (SAT IDENTIFY)",
                    None if got is None else status_text(got, None), status_text(ref_sat, None))
            usb, sy = p.get("usb"), sysfs[dev]
            if usb is not None and sy.get("usb_vid"):
                t.check(drive, "USB VID:PID", "%s:%s" % (usb["vid"].lower(), usb["pid"].lower()),
                        "%s:%s" % (sy["usb_vid"], sy["usb_pid"]))
                t.check(drive, "USB serial", usb["serialToken"], sy.get("usb_serial"))
                t.check(drive, "USB port", usb["port"],
                        int(re.split(r"[.]", sy["usb_devpath"])[-1]))
                t.check(drive, "USB hub port count", usb["hubPortCount"],
                        int(sy.get("usb_hub_ports") or 0))
                hubs.append((drive, usb["hubNumber"], sy["usb_busnum"],
                             sy["usb_devpath"].rpartition(".")[0]))
            if entries:
                t.check(drive, "capacity, bytes", entries[0]["capacityBytes"],
                        (sm.get("user_capacity") or {}).get("bytes"))

    # Entries the tool listed that are no disk of the machine (a second path
    # to a drive, a controller without a namespace).
    known = {d["serial"] for d in expected}
    for d in list_all["drives"]:
        if d["serial"].strip() not in known:
            t.check(d["name"], "unexpected entry",
                    "%s %s model '%s' %d bytes" % (d["name"], d["attachment"], d["model"],
                                                    d["capacityBytes"]), "none", ok=False)
    # Disks behind different hubs (another bus, or another hub on the same
    # bus) must carry different hub numbers.
    if len(hubs) > 1:
        tool_distinct = len({h[1] for h in hubs}) == len(hubs)
        ref_distinct = len({(h[2], h[3]) for h in hubs}) == len(hubs)
        t.check("all", "USB hub numbers distinct",
                ", ".join("%s" % h[1] for h in hubs) + (" distinct" if tool_distinct else
                                                         " shared"),
                "distinct" if ref_distinct else "shared", ok=tool_distinct == ref_distinct)
    destructive_checks(t, out, sysfs, expected_doc if isinstance(expected_doc, dict) else {},
                       controllers)
    t.check("all", "drives listed (list --all)", len(list_all["drives"]), expected_listed)
    rc = read_text(os.path.join(out, "nonroot.rc")).strip()
    err = read_text(os.path.join(out, "nonroot.err")).strip()
    said = err.splitlines()[0] if err else "nothing"
    t.check("all", "run without root", "exit %s, says: %s" % (rc or "?", said),
            "exit non-zero, names root", ok=rc not in ("", "0") and "root" in err.lower())

    t.print()
    n = t.diffs()
    print("\n%d check(s), %d difference(s)" % (len(t.rows), n))
    return 1 if n else 0


if __name__ == "__main__":
    sys.exit(main())
