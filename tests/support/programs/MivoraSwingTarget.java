// A Java Swing text area as "another application", speaking the same lines as mivora_target: "ready" once
// its window shows (without a window manager the test gives it the focus), and "text:<text>" on every change of its text (line breaks as "\n"). Swing asks
// for the clipboard well after its paste key, later still when its toolkit polls slowly. Run with
// `java MivoraSwingTarget.java`.
import java.awt.BorderLayout;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import javax.swing.JFrame;
import javax.swing.JScrollPane;
import javax.swing.JTextArea;
import javax.swing.SwingUtilities;
import javax.swing.event.DocumentEvent;
import javax.swing.event.DocumentListener;

public class MivoraSwingTarget {
    static void say(String line) {
        System.out.println(line);
        System.out.flush();
    }

    public static void main(String[] args) {
        SwingUtilities.invokeLater(() -> {
            JFrame frame = new JFrame("mivora_swing_target");
            JTextArea area = new JTextArea(10, 40);
            area.getDocument().addDocumentListener(new DocumentListener() {
                void changed() { say("text:" + area.getText().replace("\n", "\\n")); }
                public void insertUpdate(DocumentEvent e) { changed(); }
                public void removeUpdate(DocumentEvent e) { changed(); }
                public void changedUpdate(DocumentEvent e) {}
            });
            frame.addWindowListener(new WindowAdapter() {
                public void windowOpened(WindowEvent e) { say("ready"); }
            });
            frame.getContentPane().add(new JScrollPane(area), BorderLayout.CENTER);
            frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
            frame.pack();
            frame.setVisible(true);
            area.requestFocusInWindow();
        });
    }
}
