"""Reference model of the Tarvine reverb engine, in plain Python.

Written independently of the C++ engine, from the description of the
algorithm, as a second reading to check the engine against bit for bit.
Python floats are IEEE doubles, each operation is rounded on its own (no
fused multiply-add), and math.exp2/cbrt/sin/cos/exp call the C library, so
evaluating every expression in the written order reproduces the engine's
doubles exactly.

Only normalized parameter values in [0, 1] are modelled: the C++ engine also
bounds out-of-range input, which this model does not try to follow.
"""

import math

K_NEVER_APPLIED = -987654321.0

PARAM_BYPASS = 0
PARAM_LEVEL = 1
PARAM_MIX = 2
PARAM_PREDELAY = 3
PARAM_RVB_TIME = 4
PARAM_DIFFUSION = 5
PARAM_LPCUT = 6

DEFAULT_VALUES = (0.75, 0.5, 0.542562, 0.15, 1.0, 0.664386)

COMB_BASE_MS = (
    32.13723, 26.357152, 23.120309, 20.379699, 18.768045, 17.380903, 15.288217, 13.719974,
    32.13723, 26.357152, 23.120309, 20.379699, 18.768045, 17.380903, 15.288217, 13.719974,
)
DECAY_FIRST_GROUP = 0.0012178869376646931
DECAY_SECOND_GROUP = 0.0021964011793566382

COMB_SIGNS_LEFT = (+1, -1, +1, -1, +1, +1, +1, +1, -1, +1, -1, +1, -1, -1, -1, -1)
COMB_SIGNS_RIGHT = (+1, +1, +1, +1, +1, -1, +1, -1, -1, -1, -1, -1, -1, +1, -1, +1)

INPUT_ALLPASS_MS = (4.771, 3.595, 12.735, 9.307)
OUTPUT_ALLPASS_MS = (5.0, 1.7, 4.7, 1.9)

LINE_COUNT = 34
PREDELAY_LINE = 0
FIRST_COMB_LINE = 9
SHARED_LINE = 25


def _libm_function(name):
    """The C library's function, for Pythons whose math module lacks it."""
    import ctypes
    import ctypes.util

    function = getattr(ctypes.CDLL(ctypes.util.find_library("m")), name)
    function.restype = ctypes.c_double
    function.argtypes = (ctypes.c_double,)
    return function


# math.exp2 and math.cbrt call the C library's functions (Python 3.11 on).
exp2 = getattr(math, "exp2", None) or _libm_function("exp2")
cbrt = getattr(math, "cbrt", None) or _libm_function("cbrt")


def int32(x):
    """Conversion to a signed 32-bit integer by truncation toward zero."""
    n = int(x)
    assert -2**31 <= n < 2**31, "int32 conversion out of range"
    return n


def ieee_divide(a, b):
    """a / b with IEEE semantics, also for b == 0 (Python would raise)."""
    if b != 0.0:
        return a / b
    if a == 0.0 or math.isnan(a):
        return math.nan
    negative = (math.copysign(1.0, a) < 0) != (math.copysign(1.0, b) < 0)
    return -math.inf if negative else math.inf


class FilterState:
    __slots__ = ("x1", "y1")

    def __init__(self):
        self.x1 = 0.0
        self.y1 = 0.0


def lowpass(state, k, g, x):
    y = k * state.y1 + g * (x + state.x1)
    state.x1 = x
    state.y1 = y
    return y


def highpass(state, k, g, x):
    y = k * state.y1 + g * (x - state.x1)
    state.x1 = x
    state.y1 = y
    return y


class ReverbReference:
    """The processor's engine: setActive, parameter changes, process."""

    def __init__(self):
        self.bypass = False
        self.values = list(DEFAULT_VALUES)
        # initialize
        self.smoothingMs = 50.0
        self.midHpCornerHz = 20.0
        self.sideHpCornerHz = 60.0
        self.sampleRate = 44100.0
        self.writeIndex = 0
        self.sharedIndex = 0
        self.lineLength = 0
        self.delayLines = None
        # everything else starts at zero
        self.mixTarget = self.predelayMs = self.sizeMs = self.rvbTimeMs = 0.0
        self.diffusionTarget = self.lpCutHz = self.levelTarget = 0.0
        self.smoothedMix = self.smoothedDiffusion = self.smoothedLevel = 0.0
        self.dryGain = 0.0
        self.samplesPerMs = 0.0
        self.lastPredelayMs = self.lastRvbTimeMs = self.lastSizeMs = 0.0
        self.inputAllpassCoeff = [0.0] * 4
        self.combTruncGain = [0.0] * 16
        self.outputAllpassCoeff = [0.0] * 2
        self.combWeight = [0.0] * 16
        self.inputAllpassLength = [0] * 4
        self.outputAllpassLength = [0] * 4
        self.predelayLength = 0
        self.combLength = [0] * 16
        self.combTruncLength = [0] * 16
        self.inputLpGain = self.inputLpPole = 0.0
        self.feedbackLpGain = self.feedbackLpPole = 0.0
        self.midHpGain = self.midHpPole = 0.0
        self.sideHpGain = self.sideHpPole = 0.0
        self.inputLpState = FilterState()
        self.feedbackLpState = FilterState()
        self.midHpState = FilterState()
        self.sideHpState = FilterState()
        self.rebuildPending = False
        self.fadingIn = False
        self.fadeGain = self.appliedFadeGain = 0.0
        self.fadeInStep = self.fadeOutStep = 0.0
        self.holdCounter = self.holdReload = 0
        self.smootherGain = self.smootherPole = 0.0
        self.levelSmootherState = self.mixSmootherState = self.diffusionSmootherState = 0.0
        self.combFeedback = [0.0] * 16

    # -- setup and activation -------------------------------------------------

    def setup_processing(self, sample_rate):
        self.sampleRate = float(sample_rate)

    def set_active(self):
        self.writeIndex = 0
        self.sharedIndex = 0
        self.samplesPerMs = self.sampleRate * 0.001
        n0 = int32(self.sampleRate * 0.25)
        n = n0 + int32(n0 * 0.001)
        self.lineLength = n
        self.delayLines = [[0.0] * (5 * n if line == SHARED_LINE else n) for line in range(LINE_COUNT)]
        self.inputLpState = FilterState()
        self.feedbackLpState = FilterState()
        self.midHpState = FilterState()
        self.sideHpState = FilterState()

        self.inputAllpassLength = [int32(ms * self.samplesPerMs + 0.5) for ms in INPUT_ALLPASS_MS]
        self.outputAllpassLength = [int32(ms * self.samplesPerMs + 0.5) for ms in OUTPUT_ALLPASS_MS]

        self.lastPredelayMs = K_NEVER_APPLIED
        self.lastRvbTimeMs = K_NEVER_APPLIED
        self.lastSizeMs = K_NEVER_APPLIED
        self.rebuildPending = False
        self.fadingIn = False
        self.fadeGain = 1.0
        self.fadeInStep = (1 / self.samplesPerMs) * 0.02
        self.fadeOutStep = (1 / self.samplesPerMs) * 0.006666666666666667
        self.holdReload = int32(self.samplesPerMs * 250 + 0.5)
        self.holdCounter = self.holdReload

        a = math.exp(-2.2 / (0.001 * self.smoothingMs * self.sampleRate))
        self.smootherGain = 1 - a
        self.smootherPole = a

        r = 1 / self.sampleRate
        w = 9424.77796076938 * r
        k = (1 - math.sin(w)) / math.cos(w)
        self.feedbackLpPole = k
        self.feedbackLpGain = 0.5 - 0.5 * k

        w = self.midHpCornerHz * 6.283185307179586 * r
        k = (1 - math.sin(w)) / math.cos(w)
        self.midHpPole = k
        self.midHpGain = 0.5 * k + 0.5

        w = self.sideHpCornerHz * 6.283185307179586 * r
        k = (1 - math.sin(w)) / math.cos(w)
        self.sideHpPole = k
        self.sideHpGain = 0.5 * k + 0.5

        self.update_parameters(True)

    def set_state(self, bypass, values):
        """A complete state stream read: the record replaced, then derived."""
        self.bypass = bypass
        self.values = list(values)
        self.update_parameters(False)

    # -- parameter mapping ------------------------------------------------------

    def update_parameters(self, activating):
        v = self.values
        self.mixTarget = v[1]
        self.predelayMs = exp2(7.965784284662086 * v[2])
        if v[2] == 0.0:
            self.predelayMs = 0.0
        self.sizeMs = v[3] * 700 + 100
        self.rvbTimeMs = v[3] * 1000 + 200
        self.diffusionTarget = exp2(3.321928094887362 * v[4]) * 0.1
        if v[4] == 0.0:
            self.diffusionTarget = 0.0
        self.lpCutHz = exp2(v[5] * 5) * 500
        self.levelTarget = exp2(v[0] * 7.97262742772967 + (-5.979470570797252))

        if self.predelayMs != self.lastPredelayMs and not math.isnan(self.predelayMs):
            self.rebuildPending = True
            self.lastPredelayMs = self.predelayMs
        if self.rvbTimeMs != self.lastRvbTimeMs and not math.isnan(self.rvbTimeMs):
            self.rebuildPending = True
            self.lastRvbTimeMs = self.rvbTimeMs
        if self.sizeMs != self.lastSizeMs and not math.isnan(self.sizeMs):
            self.rebuildPending = True
            self.lastSizeMs = self.sizeMs

        if activating:
            self.appliedFadeGain = self.fadeGain
            self.smoothedMix = self.mixTarget
            self.smoothedLevel = self.levelTarget
            self.smoothedDiffusion = self.diffusionTarget
            self.levelSmootherState = self.levelTarget * (1 - self.smootherGain) * (1 / self.smootherPole)
            self.mixSmootherState = self.mixTarget * (1 - self.smootherGain) * (1 / self.smootherPole)
            self.diffusionSmootherState = (
                self.diffusionTarget * (1 - self.smootherGain) * (1 / self.smootherPole))

        self.update_comb_network(activating)

    # -- comb network -------------------------------------------------------------

    def update_comb_network(self, activating):
        nRvb = self.values[3]
        w = self.lpCutHz * 6.283185307179586 / self.sampleRate
        p = (1 - math.sin(w)) / math.cos(w)
        self.inputLpPole = p
        self.inputLpGain = (nRvb * (-1.4) + 2.0) * (0.5 - p * 0.5)

        apply = activating or not self.rebuildPending

        if apply:
            self.predelayLength = int32(self.samplesPerMs * self.predelayMs + 0.5)

        s = cbrt(self.sizeMs * 10.0) * 0.1
        d = [base * s for base in COMB_BASE_MS]

        if apply:
            for k in range(16):
                self.combLength[k] = int32(self.samplesPerMs * d[k] + 0.5)

        for k in range(16):
            rate = DECAY_FIRST_GROUP if k < 8 else DECAY_SECOND_GROUP
            self.combFeedback[k] = exp2(d[k] * (-rate))

        counts = [int32(self.rvbTimeMs / d[k] + 0.5) for k in range(16)]
        if apply:
            for k in range(16):
                product = counts[k] * self.combLength[k]
                assert -2**31 <= product < 2**31, "comb truncation length out of range"
                self.combTruncLength[k] = product

        for k in range(16):
            self.combTruncGain[k] = integer_power(self.combFeedback[k], counts[k])

        a = [1 - c for c in self.combFeedback]
        sum_a = (((a[1] + a[3]) + a[5]) + a[7]) + (((a[0] + a[2]) + a[4]) + a[6])
        sum_b = (((a[9] + a[11]) + a[13]) + a[15]) + (((a[8] + a[10]) + a[12]) + a[14])
        for k in range(8):
            self.combWeight[k] = a[k] * (1 / sum_a)
        for k in range(8, 16):
            self.combWeight[k] = a[k] * (1 / sum_b)

    # -- block processing ---------------------------------------------------------

    def process(self, changes, in_left, in_right):
        """One block. `changes` lists (id, value) per parameter queue, in queue
        order, each value the last point of its queue. Returns the two output
        channels as lists of doubles."""
        for param_id, value in changes:
            if param_id == PARAM_BYPASS:
                self.bypass = value > 0.5
            elif 1 <= param_id <= 6:
                self.values[param_id - 1] = value
            self.update_parameters(False)

        if self.bypass:
            return list(in_left), list(in_right)
        return self.process_block(in_left, in_right)

    def process_block(self, in_left, in_right):
        out_left = []
        out_right = []
        shared_length = 5 * self.lineLength
        for inL, inR in zip(in_left, in_right):
            xL = engine_input(inL) + 1e-18
            xR = engine_input(inR) + 1e-18

            a = self.smootherPole
            b = self.smootherGain
            self.levelSmootherState = a * self.levelSmootherState + b * self.levelTarget
            self.mixSmootherState = a * self.mixSmootherState + b * self.mixTarget
            self.smoothedMix = self.mixSmootherState
            self.diffusionSmootherState = a * self.diffusionSmootherState + b * self.diffusionTarget
            self.smoothedDiffusion = self.diffusionSmootherState
            self.smoothedLevel = self.levelSmootherState

            self.update_diffusion_coefficients()
            self.crossfade_step(shared_length)
            self.appliedFadeGain = self.fadeGain

            yL, yR = self.process_sample(xL, xR)
            out_left.append(yL * self.smoothedLevel)
            out_right.append(yR * self.smoothedLevel)

            self.writeIndex += 1
            if self.writeIndex == self.lineLength:
                self.writeIndex = 0
            self.sharedIndex += 1
            if self.sharedIndex == shared_length:
                self.sharedIndex = 0
        return out_left, out_right

    def update_diffusion_coefficients(self):
        self.dryGain = 1 - self.smoothedMix
        T = 150 * self.smoothedDiffusion
        inverse_T = ieee_divide(1.0, T)
        for k in range(4):
            g = exp2((-9.965784284662087 * INPUT_ALLPASS_MS[k]) * inverse_T)
            self.inputAllpassCoeff[k] = 0.8 if g > 0.8 else g
        for j in range(2):
            g = exp2(ieee_divide(-9.965784284662087 * OUTPUT_ALLPASS_MS[j], T))
            self.outputAllpassCoeff[j] = 0.8 if g > 0.8 else g

    def crossfade_step(self, shared_length):
        if self.rebuildPending:
            self.fadingIn = False
            self.fadeGain = self.fadeGain - self.fadeOutStep
            if not self.fadeGain > 0:
                self.fadeGain = 0.0
                self.holdCounter = self.holdCounter - 1
                if self.holdCounter == 0:
                    self.holdCounter = self.holdReload
                    self.rebuildPending = False
                    self.fadingIn = True
                    self.update_comb_network(False)
                    shared = self.delayLines[SHARED_LINE]
                    for j in range(shared_length):
                        shared[j] = 0.0
        elif self.fadingIn:
            self.fadeGain = self.fadeGain + self.fadeInStep
            if self.fadeGain > 1:
                self.fadeGain = 1.0
                self.fadingIn = False

    # -- per-sample core ----------------------------------------------------------

    def wrap(self, j):
        return j + self.lineLength if j < 0 else j

    def wrap5(self, j):
        return j + 5 * self.lineLength if j < 0 else j

    def allpass(self, a, length, g, x_line, y_line):
        i = self.writeIndex
        lines = self.delayLines
        X = lines[x_line]
        Y = lines[y_line]
        j = self.wrap(i - length)
        out = g * (Y[j] - a) + X[j]
        X[i] = a
        Y[i] = out
        return out

    def process_sample(self, xL, xR):
        lines = self.delayLines
        i = self.writeIndex
        F = self.appliedFadeGain

        # input low-pass on the summed channels
        m = xL + xR
        u = lowpass(self.inputLpState, self.inputLpPole, self.inputLpGain, m)

        # predelay: written before it is read
        lines[PREDELAY_LINE][i] = u * F
        p = lines[PREDELAY_LINE][self.wrap(i - self.predelayLength)]

        # four input all-passes in series
        g = self.inputAllpassCoeff
        A = self.inputAllpassLength
        a1 = self.allpass(p, A[0], g[0], 1, 2)
        a2 = self.allpass(a1, A[1], g[1], 3, 4)
        a3 = self.allpass(a2, A[2], g[2], 5, 6)
        a4 = self.allpass(a3, A[3], g[3], 7, 8)

        cL, cR = self.comb_bank(a4)

        gA, gB = self.outputAllpassCoeff
        B = self.outputAllpassLength
        oL1 = self.allpass(cL, B[0], gA, 26, 27)
        oL2 = self.allpass(oL1, B[1], gB, 28, 29)
        oR1 = self.allpass(cR, B[2], gA, 30, 31)
        oR2 = self.allpass(oR1, B[3], gB, 32, 33)

        mid = oL2 + oR2
        side = oL2 - oR2
        mh = highpass(self.midHpState, self.midHpPole, self.midHpGain, mid)
        sh = highpass(self.sideHpState, self.sideHpPole, self.sideHpGain, side)
        L = (mh + sh) * 0.5
        R = (mh - sh) * 0.5
        yL = self.smoothedMix * L + self.dryGain * xL
        yR = self.smoothedMix * R + self.dryGain * xR
        return yL, yR

    def comb_bank(self, x):
        lines = self.delayLines
        i = self.writeIndex
        iS = self.sharedIndex
        F = self.appliedFadeGain

        t = [lines[FIRST_COMB_LINE + k][self.wrap(i - self.combLength[k])] for k in range(16)]
        v = [self.combWeight[k] * t[k] for k in range(16)]

        cL = 0.0
        cR = 0.0
        S = 0.0
        for k in range(16):
            cL = cL + COMB_SIGNS_LEFT[k] * v[k]
        for k in range(16):
            cR = cR + COMB_SIGNS_RIGHT[k] * v[k]
        for k in range(16):
            S = S + v[k]

        f = lowpass(self.feedbackLpState, self.feedbackLpPole, self.feedbackLpGain, S)
        s = ((f * (-0.02)) * self.smoothedDiffusion) * F + x

        shared = lines[SHARED_LINE]
        shared[iS] = s
        for k in range(16):
            cancel = shared[self.wrap5(iS - self.combTruncLength[k])]
            lines[FIRST_COMB_LINE + k][i] = (self.combFeedback[k] * t[k] - self.combTruncGain[k] * cancel) * F + s
        return cL, cR


LOUDEST_INPUT = 1024.0


def engine_input(x):
    """An input sample as the engine takes it: a non-finite one as silence,
    a finite one held within +-1024."""
    if math.isnan(x) or math.isinf(x):
        return 0.0
    return max(-LOUDEST_INPUT, min(LOUDEST_INPUT, x))


def integer_power(base, n):
    """base to the integer power n >= 0 by repeated squaring."""
    result = 1.0
    while True:
        if n & 1:
            result = result * base
        n >>= 1
        if n == 0:
            return result
        base = base * base
