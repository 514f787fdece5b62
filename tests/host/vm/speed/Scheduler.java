// A small task scheduler: tasks of several kinds behind one interface, a priority queue
// of work packets, virtual and interface calls on every step.
public class Scheduler {
    interface Task {
        // Runs one packet; returns the next task's id, or -1 to idle.
        int run(Packet p);
    }

    static final class Packet {
        Packet next;
        int owner, kind, value;
        int[] data = new int[4];

        Packet(int owner, int kind) {
            this.owner = owner;
            this.kind = kind;
        }
    }

    abstract static class BaseTask implements Task {
        final int id;
        int runs;

        BaseTask(int id) {
            this.id = id;
        }

        abstract int work(Packet p);

        public int run(Packet p) {
            runs++;
            return work(p);
        }
    }

    static final class Worker extends BaseTask {
        int seed;

        Worker(int id) {
            super(id);
            seed = id * 7 + 3;
        }

        int work(Packet p) {
            for (int i = 0; i < p.data.length; i++) {
                seed = seed * 1103515245 + 12345;
                p.data[i] = (seed >>> 16) & 0xFF;
            }
            p.value += p.data[0];
            return 2 + (seed >>> 8) % 3;
        }
    }

    static final class Handler extends BaseTask {
        int total;

        Handler(int id) {
            super(id);
        }

        int work(Packet p) {
            for (int i = 0; i < p.data.length; i++) total += p.data[i];
            return p.kind % 2;
        }
    }

    static final class Queue {
        Packet head;
        int length;

        void add(Packet p) {
            // sorted by value, stable for equal values
            Packet prev = null, at = head;
            while (at != null && at.value <= p.value) {
                prev = at;
                at = at.next;
            }
            p.next = at;
            if (prev == null) head = p;
            else prev.next = p;
            length++;
        }

        Packet take() {
            Packet p = head;
            head = p.next;
            p.next = null;
            length--;
            return p;
        }
    }

    public static void main(String[] args) {
        int steps = args.length > 0 ? Integer.parseInt(args[0]) : 20000;
        Task[] tasks = {new Worker(0), new Worker(1), new Handler(2), new Handler(3), new Handler(4)};
        Queue queue = new Queue();
        for (int i = 0; i < 12; i++) queue.add(new Packet(i % tasks.length, i));
        long checksum = 0;
        for (int s = 0; s < steps; s++) {
            Packet p = queue.take();
            int next = tasks[p.owner].run(p);
            p.owner = next;
            p.value = (p.value + p.kind) % 1000;
            checksum = checksum * 31 + p.value + next;
            queue.add(p);
        }
        System.out.println("checksum " + checksum);
        for (int i = 0; i < tasks.length; i++) System.out.println("task " + i + " ran " + ((BaseTask) tasks[i]).runs);
    }
}
