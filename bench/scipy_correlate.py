#!/usr/bin/env python3
"""Pairs per second of SciPy's FFT cross-correlation on a stereo WAV (left =
Red), the baseline beside bench_analyze: `bench_analyze pair.wav &&
python3 bench/scipy_correlate.py pair.wav`. Only the correlation is timed
(full mode, as signal.correlate gives it): no band, weighting or peak search."""
import sys
import time

import numpy as np
from scipy import signal
from scipy.io import wavfile


def main():
    rate, data = wavfile.read(sys.argv[1])
    red = np.ascontiguousarray(data[:, 0], dtype=np.float64)
    blue = np.ascontiguousarray(data[:, 1], dtype=np.float64)
    pairs = 8
    start, cpu = time.perf_counter(), time.process_time()
    for _ in range(pairs):
        c = signal.correlate(red, blue, mode="full", method="fft")
    took, cpu = time.perf_counter() - start, time.process_time() - cpu
    lag = int(np.argmax(c)) - (len(blue) - 1)
    print(f"scipy signal.correlate(method='fft'), {len(red)} frames at {rate} Hz: "
          f"{pairs / took:.2f} pairs/s on one core, {1000 * cpu / pairs:.1f} CPU ms/pair (peak lag {lag})")


if __name__ == "__main__":
    main()
