package java.lang;

/**
 * Basic numeric functions. Rounding, square root and the trigonometric functions are
 * natives over the IEEE double.
 */
public final class Math {

    public static final double E = 2.718281828459045;
    public static final double PI = 3.141592653589793;

    private Math() {
    }

    public static int abs(int a) {
        return a < 0 ? -a : a;
    }

    public static long abs(long a) {
        return a < 0 ? -a : a;
    }

    public static float abs(float a) {
        // -0.0f as well
        return a <= 0.0f ? 0.0f - a : a;
    }

    public static double abs(double a) {
        return a <= 0.0 ? 0.0 - a : a;
    }

    public static int max(int a, int b) {
        return a >= b ? a : b;
    }

    public static long max(long a, long b) {
        return a >= b ? a : b;
    }

    public static float max(float a, float b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0f && b == 0.0f) {
            // +0.0 is the larger zero; 1 / -0.0 is negative infinity
            return 1.0f / a > 0.0f ? a : b;
        }
        return a >= b ? a : b;
    }

    public static double max(double a, double b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0 && b == 0.0) {
            return 1.0 / a > 0.0 ? a : b;
        }
        return a >= b ? a : b;
    }

    public static int min(int a, int b) {
        return a <= b ? a : b;
    }

    public static long min(long a, long b) {
        return a <= b ? a : b;
    }

    public static float min(float a, float b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0f && b == 0.0f) {
            // -0.0 is the smaller zero
            return 1.0f / a < 0.0f ? a : b;
        }
        return a <= b ? a : b;
    }

    public static double min(double a, double b) {
        if (a != a) {
            return a;
        }
        if (a == 0.0 && b == 0.0) {
            return 1.0 / a < 0.0 ? a : b;
        }
        return a <= b ? a : b;
    }

    public static native double ceil(double a);

    public static native double floor(double a);

    public static native double sqrt(double a);

    public static native double sin(double a);

    public static native double cos(double a);

    public static native double tan(double a);

    // the factors Java SE uses, so that both give the same bits
    public static double toRadians(double angdeg) {
        return angdeg * 0.017453292519943295;
    }

    public static double toDegrees(double angrad) {
        return angrad * 57.29577951308232;
    }
}
