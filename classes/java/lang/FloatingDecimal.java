package java.lang;

/**
 * Text conversions of float and double, exact in both directions: toString gives the
 * fewest digits that read back as the same value, parsing rounds the decimal value
 * correctly (half to even). Both work on exact big integers, so there is no double rounding
 * and no table of powers.
 */
final class FloatingDecimal {

    private FloatingDecimal() {
    }

    // ---- formatting ----

    static String toString(double d) {
        long bits = Double.doubleToLongBits(d);
        int exp = (int) (bits >>> 52) & 0x7ff;
        long frac = bits & 0xfffffffffffffL;
        return format(bits < 0, exp, frac, 52, 1075, 0x7ff);
    }

    static String toString(float f) {
        int bits = Float.floatToIntBits(f);
        int exp = (bits >>> 23) & 0xff;
        long frac = bits & 0x7fffff;
        return format(bits < 0, exp, frac, 23, 150, 0xff);
    }

    // A value of the binary format with fracBits fraction bits and exponent bias (bias +
    // fracBits, so that value = mantissa * 2^(exp - expBias)).
    private static String format(boolean negative, int exp, long frac, int fracBits,
                                 int expBias, int maxExp) {
        if (exp == maxExp) {
            if (frac != 0) {
                return "NaN";
            }
            return negative ? "-Infinity" : "Infinity";
        }
        if (exp == 0 && frac == 0) {
            return negative ? "-0.0" : "0.0";
        }
        long mant;
        int e;
        if (exp == 0) {
            mant = frac;
            e = 1 - expBias;
        } else {
            mant = frac | (1L << fracBits);
            e = exp - expBias;
        }
        // The value lies in (v - low, v + high) with low and high half the gaps to the
        // neighbours, everything scaled by 2 * s so that r / s is v. The gap below a power of
        // two is half the one above it.
        boolean unevenGaps = frac == 0 && exp > 1;
        Big r;
        Big s;
        Big high;
        Big low;
        if (e >= 0) {
            Big be = Big.pow2(e);
            if (!unevenGaps) {
                r = Big.of(mant).shiftLeft(e + 1);
                s = Big.of(2);
                high = be;
                low = be.copy();
            } else {
                r = Big.of(mant).shiftLeft(e + 2);
                s = Big.of(4);
                high = be.shiftLeft(1);
                low = Big.pow2(e);
            }
        } else {
            if (!unevenGaps) {
                r = Big.of(mant).shiftLeft(1);
                s = Big.pow2(1 - e);
                high = Big.of(1);
                low = Big.of(1);
            } else {
                r = Big.of(mant).shiftLeft(2);
                s = Big.pow2(2 - e);
                high = Big.of(2);
                low = Big.of(1);
            }
        }
        // An odd mantissa excludes the boundaries: a value exactly there reads back as the
        // even neighbour.
        boolean inclusive = (mant & 1) == 0;

        // k: the decimal exponent with 10^(k-1) <= v < 10^k; estimate, then correct.
        int bitLength = 64 - numberOfLeadingZeros(mant) + e;
        int k = (int) (((long) (bitLength - 1) * 78913) >> 18) + 1;  // ~ (bitLength-1)*log10(2)+1
        if (k >= 0) {
            s.multiplyPow10(k);
        } else {
            r.multiplyPow10(-k);
            high.multiplyPow10(-k);
            low.multiplyPow10(-k);
        }
        while (true) {
            int c = Big.compareSum(r, high, s);
            if (inclusive ? c >= 0 : c > 0) {
                s.multiplySmall(10);
                k++;
            } else {
                break;
            }
        }
        while (true) {
            Big r10 = r.copy();
            r10.multiplySmall(10);
            Big h10 = high.copy();
            h10.multiplySmall(10);
            int c = Big.compareSum(r10, h10, s);
            if (inclusive ? c < 0 : c <= 0) {
                r = r10;
                high = h10;
                low.multiplySmall(10);
                k--;
            } else {
                break;
            }
        }

        // The layout shows at least two digits, so a one-digit result gives way to the
        // nearest two-digit decimal, which is at least as close (4.9E-324, not 5.0E-324).
        Big r100 = r.copy();
        r100.multiplySmall(100);
        int two = r100.divideSmallQuotient(s);
        int twoCmp = r100.shiftLeft(1).compareTo(s);
        if (twoCmp > 0 || (twoCmp == 0 && (two & 1) != 0)) {
            two++;
        }

        char[] digits = new char[20];
        int n = 0;
        while (true) {
            r.multiplySmall(10);
            high.multiplySmall(10);
            low.multiplySmall(10);
            int digit = r.divideSmallQuotient(s);
            int cl = r.compareTo(low);
            int ch = Big.compareSum(r, high, s);
            boolean tc1 = inclusive ? cl <= 0 : cl < 0;
            boolean tc2 = inclusive ? ch >= 0 : ch > 0;
            if (!tc1 && !tc2) {
                digits[n++] = (char) ('0' + digit);
                continue;
            }
            if (tc1 && tc2) {
                // both ends reachable: the nearer one, the even digit on a tie
                Big r2 = r.copy().shiftLeft(1);
                int c = r2.compareTo(s);
                if (c > 0 || (c == 0 && (digit & 1) != 0)) {
                    digit++;
                }
            } else if (tc2) {
                digit++;
            }
            digits[n++] = (char) ('0' + digit);
            break;
        }
        if (n == 1 && two % 10 != 0) {
            char[] pair = {(char) ('0' + two / 10), (char) ('0' + two % 10)};
            String text = layout(negative, pair, 2, k);
            // below a power of two the gap is narrower: keep it only if it reads back
            long bits = (negative ? 1L << (fracBits == 52 ? 63 : 31) : 0)
                | ((long) exp << fracBits) | frac;
            if (parse(text, fracBits, expBias, maxExp) == bits) {
                return text;
            }
        }
        return layout(negative, digits, n, k);
    }

    private static int numberOfLeadingZeros(long v) {
        int n = 0;
        for (long bit = 0x8000000000000000L; bit != 0 && (v & bit) == 0; bit >>>= 1) {
            n++;
        }
        return n;
    }

    // 0.d1d2...dn * 10^k, written plainly between 10^-3 and 10^7 and as d.ddd E exp
    // elsewhere; at least one digit after the point.
    private static String layout(boolean negative, char[] digits, int n, int k) {
        StringBuffer sb = new StringBuffer(n + 8);
        if (negative) {
            sb.append('-');
        }
        if (k > -3 && k <= 7) {
            if (k <= 0) {
                sb.append('0').append('.');
                for (int i = k; i < 0; i++) {
                    sb.append('0');
                }
                sb.append(digits, 0, n);
            } else {
                for (int i = 0; i < k; i++) {
                    sb.append(i < n ? digits[i] : '0');
                }
                sb.append('.');
                if (n > k) {
                    sb.append(digits, k, n - k);
                } else {
                    sb.append('0');
                }
            }
        } else {
            sb.append(digits[0]).append('.');
            if (n > 1) {
                sb.append(digits, 1, n - 1);
            } else {
                sb.append('0');
            }
            sb.append('E').append(k - 1);
        }
        return sb.toString();
    }

    // ---- parsing ----

    // Digits kept exactly; beyond them only "something non-zero follows" matters.
    private static final int MAX_DIGITS = 800;

    static double parseDouble(String s) throws NumberFormatException {
        return Double.longBitsToDouble(parse(s, 52, 1075, 0x7ff));
    }

    static float parseFloat(String s) throws NumberFormatException {
        return Float.intBitsToFloat((int) parse(s, 23, 150, 0xff));
    }

    // The bits of the value in the format with fracBits fraction bits (sign included).
    private static long parse(String in, int fracBits, int expBias, int maxExp)
            throws NumberFormatException {
        String s = in.trim();
        int len = s.length();
        int i = 0;
        boolean negative = false;
        if (i < len && (s.charAt(i) == '+' || s.charAt(i) == '-')) {
            negative = s.charAt(i) == '-';
            i++;
        }
        long signBit = negative ? 1L << (fracBits + (fracBits == 52 ? 11 : 8)) : 0;
        long infinity = (long) maxExp << fracBits;
        if (s.startsWith("NaN", i) && i + 3 == len) {
            return infinity | (1L << (fracBits - 1));
        }
        if (s.startsWith("Infinity", i) && i + 8 == len) {
            return signBit | infinity;
        }
        char[] digits = new char[MAX_DIGITS];
        int nd = 0;
        int decExp = 0;
        boolean sticky = false;
        boolean anyDigit = false;
        boolean point = false;
        for (; i < len; i++) {
            char c = s.charAt(i);
            if (c >= '0' && c <= '9') {
                anyDigit = true;
                if (nd == 0 && c == '0') {
                    if (point) {
                        decExp--;
                    }
                    continue;
                }
                if (nd < MAX_DIGITS) {
                    digits[nd++] = c;
                } else if (c != '0') {
                    sticky = true;
                }
                if (!point) {
                    decExp++;
                }
            } else if (c == '.' && !point) {
                point = true;
            } else {
                break;
            }
        }
        if (!anyDigit) {
            throw new NumberFormatException(in);
        }
        if (i < len && (s.charAt(i) == 'e' || s.charAt(i) == 'E')) {
            i++;
            boolean expNegative = false;
            if (i < len && (s.charAt(i) == '+' || s.charAt(i) == '-')) {
                expNegative = s.charAt(i) == '-';
                i++;
            }
            int start = i;
            int e = 0;
            for (; i < len && s.charAt(i) >= '0' && s.charAt(i) <= '9'; i++) {
                if (e < 100000) {
                    e = e * 10 + (s.charAt(i) - '0');
                }
            }
            if (i == start) {
                throw new NumberFormatException(in);
            }
            decExp += expNegative ? -e : e;
        }
        if (i < len && i == len - 1 && "fFdD".indexOf(s.charAt(i)) >= 0) {
            i++;
        }
        if (i != len) {
            throw new NumberFormatException(in);
        }
        // drop trailing zeros of the digits: they only cost work
        while (nd > 0 && digits[nd - 1] == '0') {
            nd--;
        }
        if (nd == 0) {
            return signBit;
        }
        // value = 0.digits * 10^decExp = D * 10^(decExp - nd)
        int e10 = decExp - nd;
        if (decExp > 400) {
            return signBit | infinity;
        }
        if (decExp < -400) {
            return signBit;
        }
        Big num = Big.of(0);
        for (int k = 0; k < nd; k++) {
            num.multiplySmall(10);
            num.addSmall(digits[k] - '0');
        }
        Big den = Big.of(1);
        if (e10 >= 0) {
            num.multiplyPow10(e10);
        } else {
            den.multiplyPow10(-e10);
        }
        // Scale so that the quotient has fracBits + 3 bits (the last two round): num/den *
        // 2^-shift.
        int shift = num.bitLength() - den.bitLength() - (fracBits + 3);
        if (shift > 0) {
            den.shiftLeft(shift);
        } else if (shift < 0) {
            num.shiftLeft(-shift);
        }
        Big rem = num;
        long q = rem.divideLong(den, fracBits + 4);
        sticky |= !rem.isZero();
        // q * 2^shift, q of fracBits + 3 or + 4 bits
        int qBits = 64 - numberOfLeadingZeros(q);
        int binExp = shift + qBits - 1;  // value in [2^binExp, 2^(binExp+1))
        int exp = binExp + expBias - fracBits;  // biased exponent if normal
        int drop;  // low bits of q to round away
        if (exp >= 1) {
            drop = qBits - (fracBits + 1);
        } else {
            // subnormal: the unit is 2^(1 - expBias)
            drop = (1 - expBias) - shift;
            exp = 0;
        }
        long mant;
        if (drop <= 0) {
            mant = q << -drop;
        } else if (drop >= 64) {
            mant = 0;
            sticky |= q != 0;
        } else {
            long half = 1L << (drop - 1);
            long rest = q & ((1L << drop) - 1);
            mant = q >>> drop;
            if (rest > half || (rest == half && (sticky || (mant & 1) != 0))) {
                mant++;
            }
        }
        if (exp == 0) {
            // a subnormal that rounded up into the normal range carries into the exponent
            return signBit | mant;
        }
        if (mant == (1L << (fracBits + 1))) {
            mant >>>= 1;
            exp++;
        }
        if (exp >= maxExp) {
            return signBit | infinity;
        }
        return signBit | ((long) exp << fracBits) | (mant & ((1L << fracBits) - 1));
    }

    /**
     * A non-negative big integer in 32-bit words, least significant first; the few
     * operations the conversions need, mostly in place.
     */
    static final class Big {
        private int[] w;
        private int n;

        private Big(int capacity) {
            w = new int[capacity < 2 ? 2 : capacity];
        }

        static Big of(long v) {
            Big b = new Big(4);
            b.w[0] = (int) v;
            b.w[1] = (int) (v >>> 32);
            b.n = 2;
            b.trim();
            return b;
        }

        static Big pow2(int e) {
            return of(1).shiftLeft(e);
        }

        Big copy() {
            Big b = new Big(n + 1);
            for (int i = 0; i < n; i++) {
                b.w[i] = w[i];
            }
            b.n = n;
            return b;
        }

        private void trim() {
            while (n > 0 && w[n - 1] == 0) {
                n--;
            }
        }

        private void ensure(int size) {
            if (w.length < size) {
                int[] nw = new int[size + 4];
                for (int i = 0; i < n; i++) {
                    nw[i] = w[i];
                }
                w = nw;
            }
        }

        boolean isZero() {
            return n == 0;
        }

        int bitLength() {
            if (n == 0) {
                return 0;
            }
            int top = w[n - 1];
            int bits = 0;
            while (top != 0) {
                bits++;
                top >>>= 1;
            }
            return (n - 1) * 32 + bits;
        }

        Big shiftLeft(int bits) {
            if (n == 0 || bits == 0) {
                return this;
            }
            int words = bits >>> 5;
            int rest = bits & 31;
            ensure(n + words + 1);
            w[n + words] = 0;  // may hold a stale word from a larger earlier value
            if (rest == 0) {
                for (int i = n - 1; i >= 0; i--) {
                    w[i + words] = w[i];
                }
            } else {
                for (int i = n - 1; i >= 0; i--) {
                    w[i + words + 1] |= w[i] >>> (32 - rest);
                    w[i + words] = w[i] << rest;
                }
            }
            for (int i = 0; i < words; i++) {
                w[i] = 0;
            }
            n = n + words + 1;
            trim();
            return this;
        }

        void multiplySmall(int m) {
            long carry = 0;
            for (int i = 0; i < n; i++) {
                long p = (w[i] & 0xffffffffL) * m + carry;
                w[i] = (int) p;
                carry = p >>> 32;
            }
            if (carry != 0) {
                ensure(n + 1);
                w[n++] = (int) carry;
            }
        }

        void addSmall(int a) {
            long carry = a;
            for (int i = 0; i < n && carry != 0; i++) {
                long sum = (w[i] & 0xffffffffL) + carry;
                w[i] = (int) sum;
                carry = sum >>> 32;
            }
            if (carry != 0) {
                ensure(n + 1);
                w[n++] = (int) carry;
            }
        }

        void multiplyPow10(int e) {
            for (; e >= 9; e -= 9) {
                multiplySmall(1000000000);
            }
            int m = 1;
            for (; e > 0; e--) {
                m *= 10;
            }
            if (m != 1) {
                multiplySmall(m);
            }
        }

        int compareTo(Big o) {
            if (n != o.n) {
                return n < o.n ? -1 : 1;
            }
            for (int i = n - 1; i >= 0; i--) {
                if (w[i] != o.w[i]) {
                    return (w[i] & 0xffffffffL) < (o.w[i] & 0xffffffffL) ? -1 : 1;
                }
            }
            return 0;
        }

        // Sign of a + b - c.
        static int compareSum(Big a, Big b, Big c) {
            Big sum = a.copy();
            sum.add(b);
            return sum.compareTo(c);
        }

        void add(Big o) {
            int m = n > o.n ? n : o.n;
            ensure(m + 1);
            long carry = 0;
            for (int i = 0; i < m; i++) {
                long sum = (i < n ? w[i] & 0xffffffffL : 0) + (i < o.n ? o.w[i] & 0xffffffffL : 0)
                    + carry;
                w[i] = (int) sum;
                carry = sum >>> 32;
            }
            n = m;
            if (carry != 0) {
                w[n++] = (int) carry;
            }
        }

        // this -= o, with o <= this.
        void subtract(Big o) {
            long borrow = 0;
            for (int i = 0; i < n; i++) {
                long diff = (w[i] & 0xffffffffL) - (i < o.n ? o.w[i] & 0xffffffffL : 0) - borrow;
                w[i] = (int) diff;
                borrow = diff < 0 ? 1 : 0;
            }
            trim();
        }

        // this becomes this mod d; the quotient, known to be small, is returned.
        int divideSmallQuotient(Big d) {
            int q = 0;
            while (compareTo(d) >= 0) {
                subtract(d);
                q++;
            }
            return q;
        }

        // this becomes this mod d; the quotient, known to have at most `bits` bits, is
        // returned. Plain binary long division: these numbers are small.
        long divideLong(Big d, int bits) {
            long q = 0;
            Big shifted = d.copy().shiftLeft(bits);
            for (int b = bits; b >= 0; b--) {
                q <<= 1;
                if (compareTo(shifted) >= 0) {
                    subtract(shifted);
                    q |= 1;
                }
                shifted.shiftRight1();
            }
            return q;
        }

        private void shiftRight1() {
            for (int i = 0; i < n; i++) {
                w[i] = (w[i] >>> 1) | (i + 1 < n ? w[i + 1] << 31 : 0);
            }
            trim();
        }
    }
}
