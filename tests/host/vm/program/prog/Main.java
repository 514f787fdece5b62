package prog;

// A program of some thirty classes: inheritance, interfaces, inner and nested classes,
// static initialisers and constants, long fields and arithmetic, exceptions.
public class Main {
    public static void main(String[] args) {
        zoo();
        bank();
        numbers();
        structures();
        constants();
    }

    static void zoo() {
        Zoo zoo = new Zoo("north");
        Zoo.Cage first = zoo.add(new Dog("rex", 30500));
        zoo.add(new Cat("tom", 4200, false));
        zoo.add(new Cat("grim", 5100, true));
        zoo.add(new Parrot("polly", 400, "hello"));
        zoo.add(new Bird("robin", 80));
        zoo.add(new Fish("nemo", 120));
        System.out.println("first cage " + first.label() + ": " + first.animal);
        for (int i = 2; i <= 6; i++) {
            System.out.println(zoo.cage(i).label() + ": " + zoo.cage(i).animal);
        }
        Zoo.Stats stats = new Zoo.Stats();
        zoo.each(stats);
        Counter c = stats;
        System.out.println("stats: " + stats + " (count " + c.count() + ")");
        System.out.println("heaviest: " + zoo.heaviest());
        System.out.println("animals created: " + Animal.created());
        Animal a = zoo.cage(4).animal;
        System.out.println("parrot is a bird: " + (a instanceof Bird) + ", flies: " + ((Bird) a).flies());
        Named n = a;
        Valued v = a;
        System.out.println("as Named: " + n.name() + ", as Valued: " + v.value());
    }

    static void bank() {
        Account[] accounts = {
            new Account("ann", 5000L),
            new SavingsAccount("bob", 100000000000L, 125),
            new Account("cy", 0),
        };
        Ledger ledger = new Ledger(accounts);
        ledger.transfer(0, 2, 1500);
        ledger.transfer(2, 0, 2000);
        ledger.transfer(1, 0, 99999999999L);
        ledger.transfer(0, 1, 3000000000L);
        ledger.print();
        System.out.println("total " + ledger.total() + ", failures " + ledger.failures());
    }

    static void numbers() {
        System.out.println("fib(90) = " + Fib.of(90) + " = " + Fib.byMatrix(90));
        int[] p = Sieve.primes(1000);
        System.out.println(p.length + " primes below 1000, last " + p[p.length - 1]);
        long h = 1125899906842597L;
        for (int i = 0; i < p.length; i++) {
            h = 31 * h + p[i];
        }
        System.out.println("hash " + h + " >>> 33 = " + (h >>> 33) + ", >> 60 = " + (h >> 60));
        long x = Long.MIN_VALUE;
        System.out.println("min / -1 = " + (x / -1) + ", min % -1 = " + (x % -1));
    }

    static void structures() {
        LinkedQueue q = new LinkedQueue();
        for (int i = 0; i < 5; i++) {
            q.put("item" + i);
        }
        StringBuffer sb = new StringBuffer();
        while (q.size() > 2) {
            sb.append(q.take()).append(',');
        }
        System.out.println("queue: " + sb + " left " + q.size());
        Tree t = new Tree();
        int[] keys = {50, 30, 70, 20, 40, 60, 80, 30, 65};
        int added = 0;
        for (int i = 0; i < keys.length; i++) {
            if (t.insert(keys[i])) {
                added++;
            }
        }
        System.out.println("tree: " + t.inOrder() + "(" + added + " added, height " + t.height() + ")");
        Shape[] shapes = {new Rect(3, 4), new Square(3), new Rect(1, 10)};
        Shape big = shapes[0];
        for (int i = 1; i < shapes.length; i++) {
            if (shapes[i].compareArea(big) > 0) {
                big = shapes[i];
            }
        }
        System.out.println("largest shape: " + big.name() + " area " + big.area());
        System.out.println("registry: beta=" + Registry.indexOf("beta") + " delta=" + Registry.indexOf("delta"));
    }

    static void constants() {
        System.out.println("constants: " + Limits.MAX_CAGES + " " + Limits.BIG + " " + Limits.NEGATIVE + " "
                + Limits.GREETING + " " + Limits.LETTER + " " + Limits.SMALL + " " + Limits.TINY + " " + Limits.ON);
        Limits.counter += 10;
        System.out.println("counter " + Limits.counter);
    }
}
