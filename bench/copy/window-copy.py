#!/usr/bin/env python3
"""Copy latency of the window: from a click on the copy button to the
finished PDF of one colour A4 page at 300 dpi (the scanner's settings kept in
its registry, the presets answered with "Utiliser les réglages du scanner"),
against scanimage piped into tiff2pdf, alternately; medians and the ratio.
The test device's feeder is left off: with it the copy would scan its ten
pages and print the last.

    bench/copy/window-copy.py BUILD_DIR [ROUNDS]
"""
import json, os, statistics, subprocess, sys, tempfile, time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
work = tempfile.mkdtemp()
os.makedirs(f"{work}/sane")
open(f"{work}/sane/dll.conf", "w").write("test\n")
open(f"{work}/sane/test.conf", "w").write(
    "number_of_devices 1\nresolution 300.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n")
# The scanner's settings as the window keeps them: colour, 24 bits, 300 dpi, A4, no feeder.
scanner = f"{work}/config/Ondelis/Ondelis Twain/Quillon 2001"
os.makedirs(scanner)
open(f"{scanner}/TWAIN.ini", "w").write(
    "[General]\nAutoBrightness=1\nBitDepth=3\nBitDepthReduction=0\nBrightness=125\nContrast=125\n"
    "FeederEnabled=0\nFrameSize=2\nHighlight=255\nInverted=0\nPixelType=2\nResolution=300\nShadow=0\n"
    "Threshold=128\n")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", SANE_CONFIG_DIR=f"{work}/sane",
           XDG_CONFIG_HOME=f"{work}/config", XDG_DATA_HOME=f"{work}/data")
pdf = f"{work}/window.pdf"
program = subprocess.Popen([f"{build}/bin/quillon", "--automation", "--printer", f"pdf:{pdf},dpi=300"],
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)


def send(command):
    program.stdin.write(json.dumps(command) + "\n")
    program.stdin.flush()
    return json.loads(program.stdout.readline())


def window_copy():
    if os.path.exists(pdf):
        os.remove(pdf)
    start = time.monotonic()
    send({"cmd": "click", "object": "GoBtn"})
    send({"cmd": "click", "object": "MMBitmapButton6"})
    send({"cmd": "idle"})
    while not os.path.exists(pdf) or os.path.getsize(pdf) == 0:
        time.sleep(0.002)
    return time.monotonic() - start


def peer_copy():
    start = time.monotonic()
    subprocess.run(f"scanimage -d test --mode Color --resolution 300 -x 209 -y 296 --format=tiff > {work}/peer.tif"
                   f" && tiff2pdf -o {work}/peer.pdf {work}/peer.tif", shell=True, env=env, check=True,
                   stderr=subprocess.DEVNULL)
    return time.monotonic() - start


while send({"cmd": "windows"}).get("windows", [{}])[0].get("title") != "Trucs et astuces":
    time.sleep(0.1)
send({"cmd": "answer", "button": "Fermer"})


def peak_mb():
    status = open(f"/proc/{program.pid}/status").read()
    return int(next(line for line in status.splitlines() if line.startswith("VmHWM")).split()[1]) / 1024


idle = peak_mb()
window_copy(), peer_copy()  # warm-up
ours, peer = [], []
for _ in range(rounds):
    ours.append(window_copy())
    peer.append(peer_copy())
peak = peak_mb()
send({"cmd": "quit"})
program.wait(timeout=20)
o, p = statistics.median(ours), statistics.median(peer)
print("| copy button to PDF, colour A4 at 300 dpi | ours (s) | scanimage + tiff2pdf (s) | ratio | our peak (MB) | before the first copy (MB) |")
print("|---|---:|---:|---:|---:|---:|")
print(f"| median of {rounds} rounds | {o:.2f} | {p:.2f} | {o / p:.2f} | {peak:.0f} | {idle:.0f} |")
