package prog;

public class Zoo {
    private final Cage[] cages = new Cage[8];
    private int used;
    private final String title;

    public Zoo(String title) {
        this.title = title;
    }

    // An inner class: each cage reaches its zoo through this$0.
    public class Cage {
        final Animal animal;
        final int number;

        Cage(Animal animal) {
            this.animal = animal;
            this.number = ++used;
        }

        String label() {
            return title + "#" + number;
        }
    }

    public static class Stats implements Counter {
        private int seen;
        private long total;
        private int legs;

        public void visit(Animal a) {
            seen++;
            total += a.value();
            legs += a.legs;
        }

        public int count() {
            return seen;
        }

        public String toString() {
            return "seen " + seen + ", total value " + total + ", legs " + legs;
        }
    }

    public Cage add(Animal a) {
        Cage c = new Cage(a);
        cages[c.number - 1] = c;
        return c;
    }

    public void each(Visitor v) {
        for (int i = 0; i < used; i++) {
            v.visit(cages[i].animal);
        }
    }

    public String heaviest() {
        final Animal[] best = new Animal[1];
        each(new Visitor() {
            public void visit(Animal a) {
                if (best[0] == null || a.weightGrams > best[0].weightGrams) {
                    best[0] = a;
                }
            }
        });
        return best[0] == null ? "none" : best[0].name();
    }

    public Cage cage(int number) {
        return cages[number - 1];
    }
}
