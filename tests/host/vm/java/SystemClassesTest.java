import com.movane.micro.SystemOption;
import com.movane.util.Case;
import com.movane.util.SystemLog;
import com.movane.util.SystemProperties;

/**
 * The small system classes from Java, without a screen: options, ASCII lower-casing, the
 * trace log, and the display and platform facts.
 */
public class SystemClassesTest {

    public static void main(String[] args) {
        System.out.println("timezone " + SystemOption.getOption("default.timezone"));
        System.out.println("missing " + SystemOption.getOption("no.such.option"));
        try {
            SystemOption.getOption(null);
        } catch (NullPointerException e) {
            System.out.println("null key: NullPointerException");
        }
        String lower = "already lower";
        System.out.println(Case.toLower("MiXeD Case 42") + " " + (Case.toLower(lower) == lower) + " " + Case.toLower(null));
        SystemLog.print("to the trace: 100% ");
        SystemLog.println("done");
        System.out.println("screen " + SystemProperties.nativeGetVirtualWidth() + "x" + SystemProperties.nativeGetVirtualHeight()
                           + " full " + SystemProperties.nativeGetFullScreenWidth() + "x"
                           + SystemProperties.nativeGetFullScreenHeight());
        System.out.println("colour " + SystemProperties.nativeIsColor() + " " + SystemProperties.nativeNumColors()
                           + " repeat " + SystemProperties.hasRepeatEvents() + " pointer "
                           + SystemProperties.hasPointerEvents() + " motion " + SystemProperties.hasPointerMotionEvents()
                           + " soft keys " + SystemProperties.nativeGetSoftkeyCount());
        System.out.println("vendor " + SystemProperties.nativeGetVendorName() + " " + SystemProperties.nativeGetVendorVersion()
                           + " profile " + SystemProperties.nativeGetProfileType() + " "
                           + SystemProperties.nativeGetProfileVersion(0) + " [" + SystemProperties.nativeGetProfileVersion(9)
                           + "] start-up " + SystemProperties.nativeGetStartupType() + " VM [" + SystemProperties.nativeGetVMVersion()
                           + "][" + SystemProperties.nativeGetVMInformation() + "][" + SystemProperties.nativeGetVMDetail() + "]");
    }
}
