# Wake-ups per second and processor time of a running program, from the
# kernel's counters of all its threads.
#   python3 wakeups.py BUILD HOUR_MP3  (prints ROW lines for run-all)
import os, shutil, statistics, subprocess, sys, tempfile, time

build, hour = sys.argv[1], sys.argv[2]

def counters(pid):
    switches = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            for line in open("/proc/%d/task/%s/status" % (pid, task)):
                if "ctxt_switches" in line:
                    switches += int(line.split()[1])
        except FileNotFoundError:
            pass
    # Processor time in nanoseconds, of the threads alive now and of those gone.
    run = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            run += int(open("/proc/%d/task/%s/schedstat" % (pid, task)).read().split()[0])
        except FileNotFoundError:
            pass
    return switches, run / 1e9

def measure(pid, seconds=8.0):
    s0, c0 = counters(pid)
    time.sleep(seconds)
    s1, c1 = counters(pid)
    return (s1 - s0) / seconds, 100.0 * (c1 - c0) / seconds

def mpris(method):
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.cleavo", "--object-path",
                    "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Player." + method],
                   capture_output=True, check=True)

def cleavo(playing, exact=False):
    env = dict(os.environ)
    if exact:  # cut at the exact marks: the waveform strip shows, drawn
        env["XDG_CONFIG_HOME"] = tempfile.mkdtemp()
        os.makedirs(env["XDG_CONFIG_HOME"] + "/Quillfen")
        with open(env["XDG_CONFIG_HOME"] + "/Quillfen/Cleavo.conf", "w") as conf:
            conf.write("[General]\nAsk=1\nExact=1\n")
    p = subprocess.Popen([build + "/cleavo", hour], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    time.sleep(2.0)  # started, the file measured
    if playing:
        mpris("PlayPause")
        time.sleep(1.0)
    result = measure(p.pid)
    p.terminate()
    p.wait()
    if exact:
        shutil.rmtree(env["XDG_CONFIG_HOME"], ignore_errors=True)
    return result

def ffplay():
    p = subprocess.Popen(["ffplay", "-nodisp", "-loglevel", "quiet", hour], stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    time.sleep(3.0)
    result = measure(p.pid)
    p.terminate()
    p.wait()
    return result

def median(runs, i):
    return statistics.median(r[i] for r in runs)

idle = [cleavo(False) for _ in range(3)]
strip = [cleavo(False, True) for _ in range(3)]
playing = [cleavo(True) for _ in range(3)]
peer = [ffplay() for _ in range(3)]
print("ROW\twake-ups a second, a file selected, idle\t%.4g\tgoal\t0\t/s" % median(idle, 0))
print("ROW\tprocessor time, a file selected, idle\t%.4g\tgoal\t0\t%%" % median(idle, 1))
print("ROW\twake-ups a second, idle, waveform drawn\t%.4g\tgoal\t0\t/s" % median(strip, 0))
print("ROW\tprocessor time, idle, waveform drawn\t%.4g\tgoal\t0\t%%" % median(strip, 1))
print("ROW\twake-ups a second, hour-long MP3 playing\t%.4g\tffplay -nodisp\t%.4g\t/s" % (median(playing, 0), median(peer, 0)))
print("ROW\tprocessor time, hour-long MP3 playing\t%.4g\tffplay -nodisp\t%.4g\t%%" % (median(playing, 1), median(peer, 1)))
