// The n-body simulation of the five outer planets: double arithmetic, double fields and
// double arrays.
public class NBody {
    static final double PI = 3.141592653589793;
    static final double SOLAR_MASS = 4 * PI * PI;
    static final double DAYS_PER_YEAR = 365.24;

    static final class Body {
        double x, y, z, vx, vy, vz, mass;

        Body(double x, double y, double z, double vx, double vy, double vz, double mass) {
            this.x = x;
            this.y = y;
            this.z = z;
            this.vx = vx * DAYS_PER_YEAR;
            this.vy = vy * DAYS_PER_YEAR;
            this.vz = vz * DAYS_PER_YEAR;
            this.mass = mass * SOLAR_MASS;
        }
    }

    static Body[] system() {
        Body[] bodies = {
            new Body(0, 0, 0, 0, 0, 0, 1),
            new Body(4.84143144246472090e+00, -1.16032004402742839e+00, -1.03622044471123109e-01, 1.66007664274403694e-03,
                     7.69901118419740425e-03, -6.90460016972063023e-05, 9.54791938424326609e-04),
            new Body(8.34336671824457987e+00, 4.12479856412430479e+00, -4.03523417114321381e-01, -2.76742510726862411e-03,
                     4.99852801234917238e-03, 2.30417297573763929e-05, 2.85885980666130812e-04),
            new Body(1.28943695621391310e+01, -1.51111514016986312e+01, -2.23307578892655734e-01, 2.96460137564761618e-03,
                     2.37847173959480950e-03, -2.96589568540237556e-05, 4.36624404335156298e-05),
            new Body(1.53796971148509165e+01, -2.59193146099879641e+01, 1.79258772950371181e-01, 2.68067772490389322e-03,
                     1.62824170038242295e-03, -9.51592254519715870e-05, 5.15138902046611451e-05),
        };
        double px = 0, py = 0, pz = 0;
        for (int i = 0; i < bodies.length; i++) {
            px += bodies[i].vx * bodies[i].mass;
            py += bodies[i].vy * bodies[i].mass;
            pz += bodies[i].vz * bodies[i].mass;
        }
        bodies[0].vx = -px / SOLAR_MASS;
        bodies[0].vy = -py / SOLAR_MASS;
        bodies[0].vz = -pz / SOLAR_MASS;
        return bodies;
    }

    static void advance(Body[] bodies, double dt) {
        for (int i = 0; i < bodies.length; i++) {
            Body a = bodies[i];
            for (int j = i + 1; j < bodies.length; j++) {
                Body b = bodies[j];
                double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
                double d2 = dx * dx + dy * dy + dz * dz;
                double mag = dt / (d2 * Math.sqrt(d2));
                a.vx -= dx * b.mass * mag;
                a.vy -= dy * b.mass * mag;
                a.vz -= dz * b.mass * mag;
                b.vx += dx * a.mass * mag;
                b.vy += dy * a.mass * mag;
                b.vz += dz * a.mass * mag;
            }
        }
        for (int i = 0; i < bodies.length; i++) {
            Body a = bodies[i];
            a.x += dt * a.vx;
            a.y += dt * a.vy;
            a.z += dt * a.vz;
        }
    }

    static double energy(Body[] bodies) {
        double e = 0;
        for (int i = 0; i < bodies.length; i++) {
            Body a = bodies[i];
            e += 0.5 * a.mass * (a.vx * a.vx + a.vy * a.vy + a.vz * a.vz);
            for (int j = i + 1; j < bodies.length; j++) {
                Body b = bodies[j];
                double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
                e -= (a.mass * b.mass) / Math.sqrt(dx * dx + dy * dy + dz * dz);
            }
        }
        return e;
    }

    public static void main(String[] args) {
        int steps = args.length > 0 ? Integer.parseInt(args[0]) : 1000;
        Body[] bodies = system();
        // the energy in units of 1e-12, so that the text does not hang on double printing
        System.out.println((long) (energy(bodies) * 1e12));
        for (int i = 0; i < steps; i++) advance(bodies, 0.01);
        System.out.println((long) (energy(bodies) * 1e12));
    }
}
