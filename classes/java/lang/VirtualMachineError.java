package java.lang;

/**
 * The virtual machine is broken or has run out of resources.
 */
public abstract class VirtualMachineError extends Error {

    public VirtualMachineError() {
    }

    public VirtualMachineError(String message) {
        super(message);
    }
}
